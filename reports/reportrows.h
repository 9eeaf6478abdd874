#pragma once

#include "reportcontent.h"

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <array>

class QTextCursor;

// The rows of a report as one paragraph each, its values at tab stops. A document lays out
// paragraphs a few at a time as they come into view, and tens of thousands of them far faster
// than the table rows they replace. The columns share the width in proportion to what they
// hold; a text too long for its column is cut short with an ellipsis, so that a long name
// never pushes the values after it out of their column.
class ReportRows
{
public:
    // width: the width of the page the rows are laid out on, in screen pixels; 0 or less
    // gives every column what it needs.
    ReportRows(const ReportContent &content, const QFont &font, qreal width);

    // Writes the line of column titles and the rows, starting in the cursor's block, which
    // is empty. Every other row is shaded, the first among them.
    void write(QTextCursor &cursor) const;

private:
    void measure(const ReportContent &content);
    void fit(qreal width);
    void writeLine(QTextCursor &cursor, const QStringList &cells,
                   const QList<const QTextCharFormat *> &formats) const;
    QString cellText(int column, const QVariant &value) const;
    qreal textWidth(const QString &text) const;
    // The least a text column is given: room for its title.
    qreal leastWidth(const ReportColumn &column) const;

    const ReportContent &m_content;
    QFontMetricsF m_boldMetrics;
    // Each column's width, its padding included.
    QList<qreal> m_widths;
    QFontMetricsF m_metrics;
    // The widths of the Latin-1 characters measured so far; -1 for one not measured yet.
    mutable std::array<qreal, 256> m_latinWidths;
    // How far a row's struts reach above and below its baseline, its padding included.
    qreal m_above = 0;
    qreal m_below = 0;
    QTextBlockFormat m_plainRow;
    QTextBlockFormat m_shadedRow;
    QTextCharFormat m_plain;
    QTextCharFormat m_bold;
    QTextCharFormat m_title;
    QTextCharFormat m_strutAbove;
    QTextCharFormat m_strutBelow;
};
