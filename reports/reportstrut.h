#pragma once

#include <QObject>
#include <QTextFormat>
#include <QTextObjectInterface>

class QTextDocument;

// An invisible inline object that makes the line it stands in taller. A block's background
// covers only its lines, not its margins, so a row that should keep some room above and below
// its text on a shaded background gets that room from struts rather than from margins.
class ReportStrut : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    // Makes the document lay out and draw struts; the handler belongs to the document.
    static void install(QTextDocument *document);
    // The format of a strut of the given size in screen pixels, to insert as an object
    // replacement character. Aligned in the middle, it is centred half an x-height above the
    // baseline; otherwise it stands on the baseline.
    static QTextCharFormat format(qreal width, qreal height, bool middle);

    QSizeF intrinsicSize(QTextDocument *document, int position, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int position,
                    const QTextFormat &format) override;

private:
    explicit ReportStrut(QObject *parent);
};
