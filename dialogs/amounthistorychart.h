#pragma once

#include "amountforecast.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;
class QRectF;

// A small picture of what a series whose amount varies came to: its latest confirmed amounts as
// bars, the latest on the right, and the current estimate as a line across them, so that a
// person sees at a glance whether the winter bills run high.
class AmountHistoryChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maximumBars = 24;

    // What the picture shows: the bars, earliest first, and the estimate, on a scale from low
    // to high that always holds zero and is never empty.
    struct Drawing
    {
        QList<AmountForecast::Confirmed> bars;
        std::optional<qint64> estimateCents;
        qint64 lowCents = 0;
        qint64 highCents = 1;
    };

    explicit AmountHistoryChart(QWidget *parent = nullptr);

    // The picture of the series' confirmed amounts (earliest first) and its estimate.
    void setHistory(const QList<AmountForecast::Confirmed> &history,
                    std::optional<qint64> estimateCents);

    // The latest maximumBars amounts of the history, and the scale they and the estimate need.
    static Drawing drawingOf(const QList<AmountForecast::Confirmed> &history,
                             std::optional<qint64> estimateCents);
    // The picture in words, for its tooltip and for screen readers.
    static QString describe(const Drawing &drawing);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The vertical position of an amount inside area.
    double yOf(qint64 cents, const QRectF &area) const;
    void paintBars(QPainter &painter, const QRectF &area) const;
    void paintEstimate(QPainter &painter, const QRectF &area) const;

    Drawing m_drawing;
};
