#include "paymentsbymonth.h"

#include "bill.h"
#include "formatting.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace PaymentsByMonth {

namespace {

// Months counted from the start of year 0, so that two months subtract across years.
int monthNumber(const QDate &day)
{
    return day.year() * 12 + day.month() - 1;
}

// Whole cents, in a double: a count of cents in an integer would overflow for the largest
// amounts a file can hold.
double cents(double amount)
{
    return Formatting::roundedToCents(amount);
}

// A bill that could not be read or is deleted counts neither as paid nor as due.
bool counts(const BillsById::mapped_type &bill)
{
    return bill && bill->isReadable() && !bill->isDeleted();
}

struct PayeeTotal
{
    int id = 0;
    QString name;
    QList<double> paid;
    double total = 0.0;
};

// Most paid first; equal totals by name as a person reads it, then by id, so that the same
// file always gives the same series.
bool paidMore(const PayeeTotal &a, const PayeeTotal &b)
{
    if (cents(a.total) != cents(b.total))
        return cents(a.total) > cents(b.total);
    const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
    if (byName != 0)
        return byName < 0;
    return a.id < b.id;
}

} // namespace

double Figures::paidIn(int pastIndex) const
{
    double sum = 0.0;
    for (const Series &one : series)
        sum += one.paid.at(pastIndex);
    return sum;
}

bool Figures::dueIsEstimated(int comingIndex) const
{
    return estimatedDue.value(comingIndex) > 0.0;
}

bool Figures::totalDueIsEstimated() const
{
    for (int month = 0; month < ComingMonths; ++month)
        if (dueIsEstimated(month))
            return true;
    return false;
}

// What each payee was paid in each of the past months, by the payments of the bills listed.
QHash<int, PayeeTotal> paidByPayee(const BillsById &bills, const QList<BillPayment> &payments,
                                   int current)
{
    QHash<int, PayeeTotal> byPayee;
    for (const BillPayment &payment : payments) {
        const auto &bill = bills.value(payment.billId());
        if (!counts(bill))
            continue;
        const int index = monthNumber(payment.paymentDay()) - current + (PastMonths - 1);
        if (index < 0 || index >= PastMonths)
            continue;
        const Payee payee = bill->payee();
        PayeeTotal *payeeTotal = &byPayee[payee.id()];
        if (payeeTotal->paid.isEmpty()) {
            payeeTotal->id = payee.id();
            payeeTotal->name = payee.payeeName();
            payeeTotal->paid = QList<double>(PastMonths, 0.0);
        }
        payeeTotal->paid[index] += payment.amount();
        payeeTotal->total += payment.amount();
    }
    return byPayee;
}

namespace {

// What is left to pay of the unpaid bills, in the month each is due, and how much of it rests
// on estimates.
void addDue(Figures &made, const BillsById &bills, int current)
{
    for (const auto &bill : bills) {
        if (!counts(bill))
            continue;
        // Whole cents, as the paid state itself is decided.
        const double balance = bill->balance();
        if (bill->isPaid() || !(cents(balance) > 0))
            continue;
        // An overdue bill is still to be paid now.
        const int index = std::max(0, monthNumber(bill->dueDate()) - current);
        if (index >= ComingMonths)
            continue;
        made.due[index] += balance;
        if (bill->isEstimate())
            made.estimatedDue[index] += balance;
    }
}

} // namespace

Figures figures(const BillsById &bills, const QList<BillPayment> &payments, const QDate &today)
{
    Figures result;
    result.currentMonth = QDate(today.year(), today.month(), 1);
    result.due = QList<double>(ComingMonths, 0.0);
    result.estimatedDue = QList<double>(ComingMonths, 0.0);
    const int current = monthNumber(today);

    const QHash<int, PayeeTotal> byPayee = paidByPayee(bills, payments, current);
    addDue(result, bills, current);

    QList<PayeeTotal> payees = byPayee.values();
    std::sort(payees.begin(), payees.end(), paidMore);
    Series others{QStringLiteral("Others"), true, QList<double>(PastMonths, 0.0)};
    for (int rank = 0; rank < payees.size(); ++rank) {
        const PayeeTotal &payee = payees.at(rank);
        result.totalPaid += payee.total;
        if (rank < TopPayees) {
            result.series.append({payee.name, false, payee.paid});
            continue;
        }
        for (int month = 0; month < PastMonths; ++month)
            others.paid[month] += payee.paid.at(month);
    }
    if (payees.size() > TopPayees)
        result.series.append(others);
    for (double amount : std::as_const(result.due))
        result.totalDue += amount;
    return result;
}

QList<FillStyle> chartPalette()
{
    // Dark to light in clear steps; the others are lighter still and cross-hatched, and the
    // due bars are the only ones hatched on white.
    return {
        {QColor(0x14, 0x2a, 0x5c), Qt::NoBrush, {}},
        {QColor(0xa0, 0x2a, 0x2a), Qt::NoBrush, {}},
        {QColor(0x30, 0xa0, 0x90), Qt::NoBrush, {}},
        {QColor(0xe6, 0x9a, 0x30), Qt::NoBrush, {}},
        {QColor(0xf5, 0xd7, 0x6e), Qt::NoBrush, {}},
        {QColor(0xec, 0xec, 0xec), Qt::CrossPattern, QColor(0x8c, 0x8c, 0x8c)},
        {Qt::white, Qt::BDiagPattern, QColor(0x30, 0x30, 0x30)},
        // The same hatching, much fainter: an amount not known yet.
        {Qt::white, Qt::BDiagPattern, QColor(0xb4, 0xb4, 0xb4)},
    };
}

namespace {

const QColor textColour(0x20, 0x20, 0x20);
const QColor gridColour(0xd4, 0xd4, 0xd4);
const QColor comingShade(0xf5, 0xf5, 0xf5);
constexpr qreal legendWidth = 150.0;
constexpr qreal patternSpacing = 4.0;
// Where the due bars' fills are in the palette, after the payees' and the others'.
constexpr int dueStyleIndex = TopPayees + 1;
constexpr int estimatedStyleIndex = TopPayees + 2;

// A step of 1, 2, 2.5 or 5 times a power of ten that is at least rough.
double niceStep(double rough)
{
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 2.5, 5.0})
        if (rough <= factor * magnitude)
            return factor * magnitude;
    return 10.0 * magnitude;
}

struct Axis
{
    double maximum = 100.0;
    double step = 25.0;
};

Axis axisFor(const Figures &figures)
{
    double highest = 0.0;
    for (int month = 0; month < PastMonths; ++month) {
        double stack = 0.0;
        for (const Series &series : figures.series)
            stack += std::max(0.0, series.paid.at(month));
        highest = std::max(highest, stack);
    }
    for (double due : figures.due)
        highest = std::max(highest, due);
    Axis axis;
    // Nothing to show, or nothing a scale can hold, still gets an axis.
    if (!(highest > 0.0) || !std::isfinite(highest))
        return axis;
    // The labels show cents; steps below a dollar would repeat them.
    axis.step = std::max(1.0, niceStep(highest / 4.0));
    axis.maximum = std::ceil(highest / axis.step) * axis.step;
    return axis;
}

// Patterns as lines drawn in logical pixels: the brush patterns of Qt are device pixels,
// which at a high pixel ratio would turn to a grey haze.
void drawPattern(QPainter &painter, const QRectF &rect, const FillStyle &style)
{
    if (style.pattern == Qt::NoBrush || rect.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(QPen(style.patternColour, 0.8));
    if (style.pattern == Qt::CrossPattern) {
        for (qreal x = rect.left() + patternSpacing / 2; x < rect.right(); x += patternSpacing)
            painter.drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
        for (qreal y = rect.bottom() - patternSpacing / 2; y > rect.top(); y -= patternSpacing)
            painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
    } else {
        // Rising to the right, anchored at the bottom so that bars of one kind line up.
        const qreal height = rect.height();
        for (qreal x = rect.left() - height; x < rect.right(); x += patternSpacing)
            painter.drawLine(QPointF(x, rect.bottom()), QPointF(x + height, rect.top()));
    }
    painter.restore();
}

void fillWithStyle(QPainter &painter, const QRectF &rect, const FillStyle &style)
{
    painter.fillRect(rect, style.colour);
    drawPattern(painter, rect, style);
}

FillStyle seriesStyle(const QList<FillStyle> &palette, const Series &series, int index)
{
    return series.others ? palette.at(TopPayees) : palette.at(std::min(index, TopPayees - 1));
}

ChartLayout chartLayout(const Figures &figures, const Axis &axis, const QFontMetricsF &metrics)
{
    ChartLayout layout;
    layout.size = QSize(ChartWidth, ChartHeight);
    layout.axisMaximum = axis.maximum;

    qreal labelWidth = 0.0;
    for (double value = 0.0; value <= axis.maximum + axis.step / 2; value += axis.step)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(Formatting::currency(value)));
    const qreal left = std::ceil(labelWidth) + 12.0;
    const qreal top = 12.0;
    // Room for a month and a year under the bars.
    const qreal bottom = 2 * metrics.lineSpacing() + 8.0;
    layout.plot =
        QRectF(left, top, ChartWidth - left - legendWidth - 8.0, ChartHeight - top - bottom);

    const int barSlots = PastMonths + ComingMonths;
    const qreal slot = layout.plot.width() / barSlots;
    const qreal barWidth = slot * 0.7;
    auto bar = [&](int slotIndex, double amount) {
        const qreal height = std::max(0.0, amount) / axis.maximum * layout.plot.height();
        return QRectF(layout.plot.left() + slot * slotIndex + (slot - barWidth) / 2,
                      layout.plot.bottom() - height, barWidth, height);
    };
    for (int month = 0; month < PastMonths; ++month) {
        double stack = 0.0;
        for (const Series &series : figures.series)
            stack += std::max(0.0, series.paid.at(month));
        layout.paidBars.append(bar(month, stack));
    }
    for (int month = 0; month < ComingMonths; ++month) {
        const QRectF due = bar(PastMonths + month, figures.due.at(month));
        const QRectF estimated = bar(PastMonths + month, figures.estimatedDue.value(month));
        layout.dueBars.append(due);
        layout.estimatedDueBars.append(
            QRectF(due.left(), due.top(), due.width(), std::min(estimated.height(), due.height())));
    }
    return layout;
}

void drawAxis(QPainter &painter, const ChartLayout &layout, const Axis &axis)
{
    const QRectF &plot = layout.plot;
    for (double value = 0.0; value <= axis.maximum + axis.step / 2; value += axis.step) {
        const qreal y = plot.bottom() - value / axis.maximum * plot.height();
        painter.setPen(QPen(gridColour, 0.8));
        if (value > 0.0)
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(textColour);
        painter.drawText(QRectF(0.0, y - 10.0, plot.left() - 6.0, 20.0),
                         Qt::AlignRight | Qt::AlignVCenter, Formatting::currency(value));
    }
}

// The confirmed part of a due bar in the due bars' style, the estimated part on top of it in
// the lighter one, each outlined in its own hatching's colour.
void drawDueBar(QPainter &painter, const QRectF &due, const QRectF &estimated,
                const QList<FillStyle> &palette)
{
    const QRectF confirmed(due.left(), estimated.bottom(), due.width(),
                           due.bottom() - estimated.bottom());
    const std::pair<QRectF, FillStyle> parts[] = {{confirmed, palette.at(dueStyleIndex)},
                                                  {estimated, palette.at(estimatedStyleIndex)}};
    for (const auto &[part, style] : parts) {
        if (part.height() <= 0.0)
            continue;
        fillWithStyle(painter, part, style);
        painter.setPen(QPen(style.patternColour, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(part);
    }
}

void drawBars(QPainter &painter, const Figures &figures, const ChartLayout &layout,
              const QList<FillStyle> &palette)
{
    const qreal scale = layout.plot.height() / layout.axisMaximum;
    for (int month = 0; month < PastMonths; ++month) {
        const QRectF &stack = layout.paidBars.at(month);
        qreal base = layout.plot.bottom();
        for (int index = 0; index < figures.series.size(); ++index) {
            const Series &series = figures.series.at(index);
            const qreal height = std::max(0.0, series.paid.at(month)) * scale;
            if (height <= 0.0)
                continue;
            const QRectF segment(stack.left(), base - height, stack.width(), height);
            fillWithStyle(painter, segment, seriesStyle(palette, series, index));
            // A white seam keeps neighbouring segments apart when their greys come close.
            if (base < layout.plot.bottom()) {
                painter.setPen(QPen(Qt::white, 0.8));
                painter.drawLine(QPointF(segment.left(), base), QPointF(segment.right(), base));
            }
            base -= height;
        }
    }
    for (int month = 0; month < ComingMonths; ++month)
        drawDueBar(painter, layout.dueBars.at(month), layout.estimatedDueBars.at(month), palette);
}

void drawMonthLabels(QPainter &painter, const Figures &figures, const ChartLayout &layout,
                     const QFontMetricsF &metrics)
{
    const qreal slot = layout.plot.width() / (PastMonths + ComingMonths);
    const qreal lineHeight = metrics.lineSpacing();
    int shownYear = 0;
    auto label = [&](const QDate &month, qreal centre) {
        const QRectF line(centre - slot, layout.plot.bottom() + 4.0, 2 * slot, lineHeight);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop, Formatting::shortMonthName(month));
        if (month.year() != shownYear) {
            painter.drawText(line.translated(0.0, lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                             QString::number(month.year()));
            shownYear = month.year();
        }
    };
    painter.setPen(textColour);
    for (int month = 0; month < PastMonths - 1; ++month)
        label(figures.pastMonth(month), layout.paidBars.at(month).center().x());
    // The current month has its paid and its due bar; its name goes under both.
    label(figures.currentMonth,
          (layout.paidBars.last().center().x() + layout.dueBars.first().center().x()) / 2);
    for (int month = 1; month < ComingMonths; ++month)
        label(figures.comingMonth(month), layout.dueBars.at(month).center().x());
}

void drawLegend(QPainter &painter, const Figures &figures, const ChartLayout &layout,
                const QList<FillStyle> &palette, const QFontMetricsF &metrics)
{
    const qreal left = ChartWidth - legendWidth + 8.0;
    const qreal swatch = 12.0;
    const qreal rowHeight = std::max(swatch, metrics.lineSpacing()) + 6.0;
    qreal top = layout.plot.top();
    auto entry = [&](const QString &name, const FillStyle &style) {
        const QRectF box(left, top, swatch, swatch);
        fillWithStyle(painter, box, style);
        painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 0.8));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
        const qreal textLeft = left + swatch + 6.0;
        const qreal textWidth = ChartWidth - textLeft - 4.0;
        painter.setPen(textColour);
        painter.drawText(QRectF(textLeft, top - 4.0, textWidth, swatch + 8.0),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(name, Qt::ElideRight, textWidth));
        top += rowHeight;
    };
    for (int index = 0; index < figures.series.size(); ++index)
        entry(figures.series.at(index).name, seriesStyle(palette, figures.series.at(index), index));
    entry(QStringLiteral("Due"), palette.at(dueStyleIndex));
    if (figures.totalDueIsEstimated())
        entry(QStringLiteral("Due (estimated)"), palette.at(estimatedStyleIndex));
}

} // namespace

QImage chartImage(const Figures &figures, ChartLayout *layout)
{
    QImage image(QSize(ChartWidth, ChartHeight) * ChartPixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ChartPixelRatio);
    image.fill(Qt::white);

    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    QFont font;
    font.setPointSizeF(8.0);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &image);

    const Axis axis = axisFor(figures);
    const ChartLayout made = chartLayout(figures, axis, metrics);
    const QList<FillStyle> palette = chartPalette();

    // The coming months on a faint ground, apart from the months already past.
    const QRectF &plot = made.plot;
    const qreal comingLeft = plot.left() + plot.width() * PastMonths / (PastMonths + ComingMonths);
    painter.fillRect(QRectF(comingLeft, plot.top(), plot.right() - comingLeft, plot.height()),
                     comingShade);
    drawAxis(painter, made, axis);
    drawBars(painter, figures, made, palette);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    drawMonthLabels(painter, figures, made, metrics);
    drawLegend(painter, figures, made, palette, metrics);
    painter.end();

    if (layout)
        *layout = made;
    return image;
}

namespace {

// The past months with what each series was paid, then the coming ones; the current month
// once, with both. A due amount that rests on estimates is marked.
QList<QVariantList> monthRows(const Figures &made)
{
    QList<QVariantList> rows;
    for (int month = 0; month < PastMonths; ++month) {
        QVariantList row{made.pastMonth(month)};
        for (const Series &series : made.series)
            row.append(series.paid.at(month));
        row.append(made.paidIn(month));
        row.append(month == PastMonths - 1
                       ? ReportContents::money(made.due.first(), made.dueIsEstimated(0))
                       : QVariant(0.0));
        rows.append(row);
    }
    for (int month = 1; month < ComingMonths; ++month) {
        QVariantList row{made.comingMonth(month)};
        for (int column = 0; column <= made.series.size(); ++column)
            row.append(0.0);
        row.append(ReportContents::money(made.due.at(month), made.dueIsEstimated(month)));
        rows.append(row);
    }
    return rows;
}

} // namespace

ReportContent content(const BillsById &bills, const QList<BillPayment> &payments,
                      const QDate &today)
{
    const Figures made = figures(bills, payments, today);
    const QDate lastComing = made.comingMonth(ComingMonths - 1);

    ReportContent report;
    report.name = QStringLiteral("Payments by Month");
    report.reportDate = today;
    report.summaryLines = {
        {QStringLiteral("Total Paid In Last %1 Months:").arg(PastMonths),
         Formatting::currency(made.totalPaid)},
        {QStringLiteral("Total Due Through %1:").arg(Formatting::monthAndYear(lastComing)),
         ReportContents::moneyText(made.totalDue, made.totalDueIsEstimated())}};
    report.layout = ReportContent::Layout::Table;

    report.columns.append({QStringLiteral("Month"), ReportColumnKind::Month});
    for (const Series &series : made.series)
        report.columns.append({series.name, ReportColumnKind::Money});
    report.columns.append({QStringLiteral("Total Paid"), ReportColumnKind::Money});
    report.columns.append({QStringLiteral("Due"), ReportColumnKind::Money});

    report.rows = monthRows(made);
    report.chart = chartImage(made);
    report.chartCaption = QStringLiteral("Paid in each of the last %1 months by payee, and due "
                                         "in the coming %2.")
                              .arg(PastMonths)
                              .arg(ComingMonths);
    return report;
}

} // namespace PaymentsByMonth
