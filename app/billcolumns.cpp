#include "billcolumns.h"

#include "billlist.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QResizeEvent>
#include <QStringList>
#include <QTreeWidget>

#include <numeric>

namespace {
const QString columnsKey = QStringLiteral("window/columns");
const int minimumWidth = 40;
const int largestWidth = 100000;

// Spreads delta over the columns in proportion to their widths, none narrower than
// minimumWidth; returns what is left over.
int spread(QList<int> &widths, const QList<int> &columns, int delta)
{
    qint64 weight = 0;
    for (int column : columns)
        weight += widths.at(column);
    int left = delta;
    for (int i = 0; i < columns.size() && left != 0; ++i) {
        const int column = columns.at(i);
        const int share = i + 1 == columns.size()
                              ? left
                              : int(qint64(delta) * widths.at(column) / qMax<qint64>(weight, 1));
        const int width = qMax(minimumWidth, widths.at(column) + share);
        left -= width - widths.at(column);
        widths[column] = width;
    }
    return left;
}

QList<int> readWidths(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != BillColumnCount)
        return {};
    QList<int> widths;
    for (const QString &part : parts) {
        bool ok = false;
        const int width = part.toInt(&ok);
        if (!ok || width < 1 || width > largestWidth)
            return {};
        widths.append(qMax(width, minimumWidth));
    }
    return widths;
}
} // namespace

BillColumns::BillColumns(QTreeWidget *list)
    : QObject(list), m_list(list), m_viewport(list->viewport())
{
    QHeaderView *header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    connect(header, &QHeaderView::sectionResized, this, &BillColumns::sectionResized);
    m_viewport->installEventFilter(this);
}

void BillColumns::restore()
{
    m_chosen = readWidths(SystemSettings::value(columnsKey));
    if (m_chosen.isEmpty())
        m_chosen = defaultWidths();
    fit(m_viewport->width());
}

// The widths chosen rather than those of the moment, which a maximised window has made wider:
// every size the window takes later is fitted from them.
SystemSettings::Values BillColumns::values() const
{
    QStringList widths;
    for (int width : m_chosen)
        widths.append(QString::number(width));
    return {{columnsKey, widths.join(QLatin1Char(','))}};
}

bool BillColumns::eventFilter(QObject *watched, QEvent *event)
{
    // The viewport is compared, not asked for: while the list is destroyed it is no list.
    if (event->type() == QEvent::Resize && watched == m_viewport)
        fit(static_cast<QResizeEvent *>(event)->size().width());
    return QObject::eventFilter(watched, event);
}

// A date and the amounts of a household fit whole; what is left goes to the names, the
// payee's first as it is the one a person looks for.
QList<int> BillColumns::defaultWidths() const
{
    const QFontMetrics metrics(m_list->font());
    const QHeaderView *header = m_list->header();
    const int padding = 16;
    const int date = qMax(header->sectionSizeHint(DueDateColumn),
                          metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + padding);
    const int amount = qMax(header->sectionSizeHint(AmountColumn),
                            metrics.horizontalAdvance(QStringLiteral("$00,000.00")) + padding);
    QList<int> widths(BillColumnCount);
    widths[PayeeColumn] = 150;
    widths[DescriptionColumn] = 100;
    widths[DueDateColumn] = date;
    widths[AmountColumn] = amount;
    return widths;
}

void BillColumns::fit(int width)
{
    if (width <= 0 || m_chosen.size() != BillColumnCount)
        return;
    QList<int> widths = m_chosen;
    const int left = spread(widths, {PayeeColumn, DescriptionColumn},
                            width - std::accumulate(widths.cbegin(), widths.cend(), 0));
    spread(widths, {DueDateColumn, AmountColumn}, left);
    apply(widths);
}

void BillColumns::apply(const QList<int> &widths)
{
    m_applying = true;
    for (int column = 0; column < widths.size(); ++column)
        m_list->header()->resizeSection(column, widths.at(column));
    m_applying = false;
}

// The column beyond the dragged edge gives or takes what the dragged one takes or gives; the
// last column has no such neighbour, so the names make up for it.
void BillColumns::sectionResized(int column, int oldWidth, int newWidth)
{
    if (m_applying || column < 0 || column >= BillColumnCount)
        return;
    const QHeaderView *header = m_list->header();
    const int neighbour = header->logicalIndex(header->visualIndex(column) + 1);
    QList<int> widths = currentWidths();
    if (neighbour < 0 || neighbour >= BillColumnCount) {
        m_chosen = widths;
        fit(m_viewport->width());
        return;
    }
    const int shortfall = minimumWidth - (widths.at(neighbour) - (newWidth - oldWidth));
    widths[neighbour] = qMax(minimumWidth, widths.at(neighbour) - (newWidth - oldWidth));
    if (shortfall > 0)
        widths[column] -= shortfall;
    m_chosen = widths;
    apply(widths);
}

QList<int> BillColumns::currentWidths() const
{
    QList<int> widths;
    for (int column = 0; column < BillColumnCount; ++column)
        widths.append(m_list->header()->sectionSize(column));
    return widths;
}
