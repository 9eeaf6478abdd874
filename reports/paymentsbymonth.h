#pragma once

#include "billpayment.h"
#include "reportcontent.h"
#include "reportdocuments.h"

#include <QColor>
#include <QDate>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

// What was paid in each of the last twelve months, by payee, and what is still due in the
// coming six, as figures, as a bar chart and as a report.
namespace PaymentsByMonth {

using ReportDocuments::BillsById;

// The current month and the eleven before it.
constexpr int PastMonths = 12;
// The current month and the five after it.
constexpr int ComingMonths = 6;
// Payees paid more than the rest get a series of their own; the rest share one.
constexpr int TopPayees = 5;

struct Series
{
    // The payee's name, or "Others" for everyone after the top payees.
    QString name;
    bool others = false;
    // One amount per past month, the earliest first and the current month last.
    QList<double> paid;
};

struct Figures
{
    // The first day of the month of the day the figures were made for.
    QDate currentMonth;
    // The top payees, most paid first, then the others when anyone else was paid.
    QList<Series> series;
    // What is left to pay of the unpaid bills per coming month, the current month first; bills
    // due before it count in it.
    QList<double> due;
    // The part of each month's due amount that rests on estimates, the current month first.
    QList<double> estimatedDue = {};
    double totalPaid = 0.0;
    double totalDue = 0.0;

    // The first day of a past month, 0 being the earliest.
    QDate pastMonth(int index) const { return currentMonth.addMonths(index - (PastMonths - 1)); }
    // The first day of a coming month, 0 being the current one.
    QDate comingMonth(int index) const { return currentMonth.addMonths(index); }
    // Every series' amount of one past month together.
    double paidIn(int pastIndex) const;
    // Whether what is due in a coming month, or in all of them, counts any estimate.
    bool dueIsEstimated(int comingIndex) const;
    bool totalDueIsEstimated() const;
};

Figures figures(const BillsById &bills, const QList<BillPayment> &payments, const QDate &today);

// How a series (or the due bars) is filled: a plain colour, with a pattern over it unless
// the pattern is Qt::NoBrush.
struct FillStyle
{
    QColor colour;
    Qt::BrushStyle pattern = Qt::NoBrush;
    QColor patternColour;
};

// The fills of the top payees in their order, then of the others, then of the due bars, then of
// the due bars' parts that rest on estimates. They differ in lightness or pattern so that a
// print in grey keeps them apart.
QList<FillStyle> chartPalette();

// Where the chart put its parts, in logical pixels.
struct ChartLayout
{
    QSize size;
    // The bars stand on its bottom edge, which is zero; its top edge is axisMaximum.
    QRectF plot;
    double axisMaximum = 0.0;
    // The full height of each past month's stack, and of each coming month's due bar.
    QList<QRectF> paidBars;
    QList<QRectF> dueBars;
    // The top of each due bar that rests on estimates, drawn lighter than the confirmed part
    // under it; empty for a month without estimates.
    QList<QRectF> estimatedDueBars;
};

// The chart's size in logical pixels, and how many device pixels it draws for each.
constexpr int ChartWidth = 720;
constexpr int ChartHeight = 320;
constexpr qreal ChartPixelRatio = 3.0;

// Stacked paid bars of the past months beside the due bars of the coming ones, with an amount
// axis, month labels and a legend, on white. layout, when given, receives the geometry used.
QImage chartImage(const Figures &figures, ChartLayout *layout = nullptr);

// The figures as a table of months, with the chart above it.
ReportContent content(const BillsById &bills, const QList<BillPayment> &payments,
                      const QDate &today);

} // namespace PaymentsByMonth
