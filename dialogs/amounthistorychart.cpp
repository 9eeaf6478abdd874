#include "amounthistorychart.h"

#include "formatting.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
const double margin = 3.0;
} // namespace

AmountHistoryChart::AmountHistoryChart(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setHistory({}, std::nullopt);
}

void AmountHistoryChart::setHistory(const QList<AmountForecast::Confirmed> &history,
                                    std::optional<qint64> estimateCents)
{
    m_drawing = drawingOf(history, estimateCents);
    const QString description = describe(m_drawing);
    setToolTip(description);
    setAccessibleDescription(description);
    update();
}

AmountHistoryChart::Drawing
AmountHistoryChart::drawingOf(const QList<AmountForecast::Confirmed> &history,
                              std::optional<qint64> estimateCents)
{
    Drawing drawing;
    drawing.bars = history.mid(std::max<qsizetype>(0, history.size() - maximumBars));
    drawing.estimateCents = estimateCents;
    // Zero is always on the scale, so that bars of one series compare by their heights, and
    // a credit (a negative amount) hangs below the line that zero is.
    qint64 low = 0;
    qint64 high = 0;
    for (const AmountForecast::Confirmed &bar : drawing.bars) {
        low = std::min(low, bar.cents);
        high = std::max(high, bar.cents);
    }
    if (estimateCents) {
        low = std::min(low, *estimateCents);
        high = std::max(high, *estimateCents);
    }
    drawing.lowCents = low;
    drawing.highCents = high > low ? high : low + 1;
    return drawing;
}

QString AmountHistoryChart::describe(const Drawing &drawing)
{
    QString text;
    const qsizetype count = drawing.bars.size();
    if (count == 0)
        text = tr("No confirmed amounts yet");
    else if (count == 1)
        text = tr("1 amount in %1")
                   .arg(Formatting::shortMonthAndYear(drawing.bars.constFirst().dueDate));
    else
        text = tr("%1 amounts from %2 to %3")
                   .arg(count)
                   .arg(Formatting::shortMonthAndYear(drawing.bars.constFirst().dueDate),
                        Formatting::shortMonthAndYear(drawing.bars.constLast().dueDate));
    if (drawing.estimateCents)
        text += tr("; estimate \u2248%1")
                    .arg(Formatting::currency(double(*drawing.estimateCents) / 100.0));
    return text;
}

double AmountHistoryChart::yOf(qint64 cents, const QRectF &area) const
{
    const double span = double(m_drawing.highCents - m_drawing.lowCents);
    return area.bottom() - double(cents - m_drawing.lowCents) / span * area.height();
}

void AmountHistoryChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRectF area = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    const double zero = yOf(0, area);
    painter.drawLine(QPointF(area.left(), zero), QPointF(area.right(), zero));
    paintBars(painter, area);
    paintEstimate(painter, area);
}

// Every bar has the width of one of maximumBars slots, so that a short history does not look
// like a long one; the latest stands on the right.
void AmountHistoryChart::paintBars(QPainter &painter, const QRectF &area) const
{
    const double slot = area.width() / maximumBars;
    const double zero = yOf(0, area);
    const qsizetype first = maximumBars - m_drawing.bars.size();
    const QColor color = palette().color(QPalette::Highlight);
    for (qsizetype i = 0; i < m_drawing.bars.size(); ++i) {
        const double top = yOf(m_drawing.bars.at(i).cents, area);
        const QRectF bar(area.left() + double(first + i) * slot + 1.0, std::min(top, zero),
                         std::max(1.0, slot - 2.0), std::max(1.0, std::abs(top - zero)));
        painter.fillRect(bar, color);
    }
}

void AmountHistoryChart::paintEstimate(QPainter &painter, const QRectF &area) const
{
    if (!m_drawing.estimateCents)
        return;
    QPen pen(palette().color(QPalette::Text), 1.5, Qt::DashLine);
    painter.setPen(pen);
    const double y = yOf(*m_drawing.estimateCents, area);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
}
