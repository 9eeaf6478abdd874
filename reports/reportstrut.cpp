#include "reportstrut.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QTextDocument>

namespace {
const int strutObject = QTextFormat::UserObject + 1;
const int strutWidth = QTextFormat::UserProperty + 1;
const int strutHeight = QTextFormat::UserProperty + 2;

// The layout measures in its paint device's pixels, a printer's among them; the struts are
// given in the screen's, as the fonts and tab stops are.
qreal deviceScale(const QTextDocument *document)
{
    const QPaintDevice *device = document->documentLayout()->paintDevice();
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!device || !screen)
        return 1.0;
    return device->logicalDpiY() / screen->logicalDotsPerInchY();
}
} // namespace

ReportStrut::ReportStrut(QObject *parent) : QObject(parent) {}

void ReportStrut::install(QTextDocument *document)
{
    document->documentLayout()->registerHandler(strutObject, new ReportStrut(document));
}

QTextCharFormat ReportStrut::format(qreal width, qreal height, bool middle)
{
    QTextCharFormat format;
    format.setObjectType(strutObject);
    format.setProperty(strutWidth, width);
    format.setProperty(strutHeight, height);
    if (middle)
        format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    return format;
}

QSizeF ReportStrut::intrinsicSize(QTextDocument *document, int, const QTextFormat &format)
{
    const qreal scale = deviceScale(document);
    return QSizeF(format.doubleProperty(strutWidth) * scale,
                  format.doubleProperty(strutHeight) * scale);
}

void ReportStrut::drawObject(QPainter *, const QRectF &, QTextDocument *, int, const QTextFormat &)
{
}
