#include "reportrows.h"

#include "reportstrut.h"

#include <QFontMetricsF>
#include <QTextCursor>
#include <QtMath>

namespace {
// Room on either side of a value inside its column, as the report's tables always had.
const qreal padding = 2;
// Kept clear before the next column's stop, so that a printer's slightly wider glyphs do not
// push a value past it.
const qreal clearance = 4;
// What a text column asks for at most when the page's width is not known, in average
// characters.
const int unknownWidthCharacters = 40;

// Stored text is shown as it is, but a tab or line break in it would move the values after it
// into the wrong column or onto a line of their own.
QString oneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
            c = QLatin1Char(' ');
    }
    return line;
}

QFont boldOf(QFont font)
{
    font.setBold(true);
    return font;
}

// What stands for the widest value of a column of generated values: every date takes the
// same room, and the largest amount is as wide as any other there.
QString widestValue(ReportColumnKind kind, const QList<QVariantList> &rows, int column)
{
    if (kind == ReportColumnKind::Money) {
        double largest = 0.0;
        bool estimate = false;
        for (const QVariantList &values : rows) {
            const QVariant value = values.value(column);
            largest = qMax(largest, qAbs(ReportContents::amountOf(value)));
            estimate = estimate || ReportContents::isEstimate(value);
        }
        return QLatin1Char('-') + ReportContents::moneyText(largest, estimate);
    }
    if (kind == ReportColumnKind::YesNo)
        return ReportContents::shownText(kind, true);
    return ReportContents::shownText(kind, QDate(2000, 12, 28));
}
} // namespace

ReportRows::ReportRows(const ReportContent &content, const QFont &font, qreal width)
    : m_content(content), m_boldMetrics(boldOf(font)), m_metrics(font)
{
    m_latinWidths.fill(-1);
    m_bold.setFontWeight(QFont::Bold);
    m_title = m_bold;
    m_title.setFontUnderline(true);
    // The rows' "LightGrey", as the HTML names it, not Qt's darker light grey.
    m_shadedRow.setBackground(QColor(QStringLiteral("LightGrey")));
    m_above = qCeil(m_metrics.ascent()) + padding;
    m_below = qCeil(m_metrics.height()) + 2 * padding - m_above;
    m_strutAbove = ReportStrut::format(padding, m_above, false);
    // A strut in the middle reaches half an x-height less below the baseline than half its
    // height.
    m_strutBelow = ReportStrut::format(0, 2 * m_below + m_metrics.xHeight() / 2, true);
    measure(content);
    fit(width);
    QList<QTextOption::Tab> stops;
    qreal at = padding;
    for (int i = 0; i + 1 < m_widths.size(); ++i) {
        at += m_widths.at(i);
        stops.append(QTextOption::Tab(at, QTextOption::LeftTab));
    }
    for (QTextBlockFormat *format : {&m_plainRow, &m_shadedRow}) {
        format->setTabPositions(stops);
        // A row too wide for a narrow page runs past its edge rather than onto a second line.
        format->setNonBreakableLines(true);
    }
}

void ReportRows::measure(const ReportContent &content)
{
    for (int i = 0; i < content.columns.size(); ++i) {
        const ReportColumn &column = content.columns.at(i);
        qreal need = m_boldMetrics.horizontalAdvance(column.title);
        if (column.kind == ReportColumnKind::Text) {
            for (const QVariantList &values : content.rows)
                need = qMax(need, textWidth(cellText(i, values.value(i))));
        } else {
            need = qMax(need,
                        m_boldMetrics.horizontalAdvance(widestValue(column.kind, content.rows, i)));
        }
        m_widths.append(need + 2 * padding + clearance);
    }
}

// A text's width as the sum of its characters' widths, each measured once: shaping every text
// of a long report took longer than laying out its first page. Kerning only ever narrows a
// line of the Latin letters this counts, so the sum is never short; a text with other
// characters is measured whole.
qreal ReportRows::textWidth(const QString &text) const
{
    qreal width = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= m_latinWidths.size())
            return m_metrics.horizontalAdvance(text);
        qreal &known = m_latinWidths[code];
        if (known < 0)
            known = m_metrics.horizontalAdvance(c);
        width += known;
    }
    return width;
}

// Text columns give up room when the rest would not fit, down to their titles' width; what
// is left over goes to every column in proportion to its width.
void ReportRows::fit(qreal width)
{
    const qreal averageCharacter = m_metrics.averageCharWidth();
    qreal fixed = 0;
    qreal flexible = 0;
    qreal floor = 0;
    for (int i = 0; i < m_widths.size(); ++i) {
        const ReportColumn &column = m_content.columns.at(i);
        if (column.kind != ReportColumnKind::Text) {
            fixed += m_widths.at(i);
            continue;
        }
        if (width <= 0)
            m_widths[i] = qMin(m_widths.at(i), unknownWidthCharacters * averageCharacter);
        flexible += m_widths.at(i);
        floor += leastWidth(column);
    }
    if (width <= 0)
        return;
    const qreal total = fixed + flexible;
    if (total > width && flexible > floor) {
        const qreal keep = qMax(0.0, (width - fixed - floor) / (flexible - floor));
        for (int i = 0; i < m_widths.size(); ++i) {
            const ReportColumn &column = m_content.columns.at(i);
            if (column.kind != ReportColumnKind::Text || keep >= 1)
                continue;
            const qreal least = leastWidth(column);
            m_widths[i] = least + (m_widths.at(i) - least) * keep;
        }
    } else if (total < width && total > 0) {
        for (qreal &columnWidth : m_widths)
            columnWidth *= width / total;
    }
}

qreal ReportRows::leastWidth(const ReportColumn &column) const
{
    return m_boldMetrics.horizontalAdvance(column.title) + 2 * padding + clearance;
}

QString ReportRows::cellText(int column, const QVariant &value) const
{
    const ReportColumnKind kind = m_content.columns.at(column).kind;
    const QString shown = ReportContents::shownText(kind, value);
    return kind == ReportColumnKind::Text ? oneLine(shown) : shown;
}

void ReportRows::write(QTextCursor &cursor) const
{
    const int columnCount = int(m_content.columns.size());
    QStringList cells;
    QList<const QTextCharFormat *> formats;
    for (const ReportColumn &column : m_content.columns) {
        cells.append(column.title);
        formats.append(&m_title);
    }
    cursor.setBlockFormat(m_plainRow);
    writeLine(cursor, cells, formats);
    for (int r = 0; r < m_content.rows.size(); ++r) {
        const QVariantList &values = m_content.rows.at(r);
        cursor.insertBlock(r % 2 == 0 ? m_shadedRow : m_plainRow, m_plain);
        for (int i = 0; i < columnCount; ++i) {
            const ReportColumnKind kind = m_content.columns.at(i).kind;
            QString text = cellText(i, values.value(i));
            const bool yes = kind == ReportColumnKind::YesNo && values.value(i).toBool();
            const qreal room = m_widths.at(i) - 2 * padding - clearance;
            if (kind == ReportColumnKind::Text && textWidth(text) > room)
                text = m_metrics.elidedText(text, Qt::ElideRight, room);
            cells[i] = text;
            formats[i] = yes ? &m_bold : &m_plain;
        }
        writeLine(cursor, cells, formats);
    }
}

// One row: the struts that give it the height of a padded table row, then its values
// between tabs. Neighbouring values of the same format go in as one piece of text.
void ReportRows::writeLine(QTextCursor &cursor, const QStringList &cells,
                           const QList<const QTextCharFormat *> &formats) const
{
    const QString strut(QChar::ObjectReplacementCharacter);
    cursor.insertText(strut, m_strutAbove);
    cursor.insertText(strut, m_strutBelow);
    QString run;
    const QTextCharFormat *runFormat = &m_plain;
    for (int i = 0; i < cells.size(); ++i) {
        if (formats.at(i) != runFormat && !cells.at(i).isEmpty()) {
            cursor.insertText(run, *runFormat);
            run.clear();
            runFormat = formats.at(i);
        }
        run += cells.at(i);
        if (i + 1 < cells.size()) {
            if (runFormat != &m_plain) {
                cursor.insertText(run, *runFormat);
                run.clear();
                runFormat = &m_plain;
            }
            run += QLatin1Char('\t');
        }
    }
    cursor.insertText(run, *runFormat);
}
