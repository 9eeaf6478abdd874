#include "reportcontent.h"

#include "exportfiles.h"
#include "formatting.h"
#include "htmltext.h"
#include "reportrows.h"
#include "reportstrut.h"

#include <QBrush>
#include <QFontMetricsF>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

bool operator==(const ReportEstimate &a, const ReportEstimate &b)
{
    return a.amount == b.amount;
}

namespace ReportContents {

namespace {

const QString estimateTitle = QStringLiteral("Estimate");

// Whether a record of the CSV ends with the Estimate field: only tables that show amounts.
bool exportsEstimates(const ReportContent &content)
{
    if (content.layout != ReportContent::Layout::Table)
        return false;
    return std::any_of(
        content.columns.cbegin(), content.columns.cend(),
        [](const ReportColumn &column) { return column.kind == ReportColumnKind::Money; });
}

bool rowHasEstimate(const ReportContent &content, const QVariantList &values)
{
    for (int i = 0; i < content.columns.size(); ++i)
        if (content.columns.at(i).kind == ReportColumnKind::Money && isEstimate(values.value(i)))
            return true;
    return false;
}

const QString chartName = QStringLiteral("nvreport:chart");
const QString lightGrey = QStringLiteral("LightGrey");
const QString white = QStringLiteral("White");

QString dateText(const QDate &date)
{
    return date.isValid() ? Formatting::shortDate(date) : QString();
}

QString cellHtml(ReportColumnKind kind, const QVariant &value)
{
    if (kind == ReportColumnKind::YesNo && value.toBool())
        return QStringLiteral("<b>Yes</b>");
    return htmlText(shownText(kind, value));
}

void appendSummaryHtml(QString &html, const ReportContent &content)
{
    html += QLatin1String("<html><head><title>") + content.name +
            QLatin1String("</title></head><body><center><table width='100%'>");
    html += QLatin1String("<tr><td><table width='100%' cellspacing='0' cellpadding='2'>");
    html += QLatin1String("<tr><td><b><u>Report Summary</u></b></td><td></td></tr>");
    html += QLatin1String("<tr><td><b>Report:</b></td><td>") + content.name +
            QLatin1String("</td></tr>");
    html += QLatin1String("<tr><td><b>Report Date:</b></td><td>") +
            content.reportDate.toString(Qt::TextDate) + QLatin1String("</td></tr>");
    for (const auto &line : content.summaryLines)
        html += QLatin1String("<tr><td><b>") + line.first + QLatin1String("</b></td><td>") +
                line.second + QLatin1String("</td></tr>");
    html += QLatin1String("</table></td></tr>");
    html += QLatin1String("<tr width='100%'><td height='5'></td></tr>");
}

void appendChartHtml(QString &html, const ReportContent &content)
{
    if (content.chart.isNull())
        return;
    const qreal ratio = content.chart.devicePixelRatio();
    html += QStringLiteral("<tr><td><img src='%1' width='%2' height='%3'></td></tr>")
                .arg(chartName)
                .arg(qRound(content.chart.width() / ratio))
                .arg(qRound(content.chart.height() / ratio));
    if (!content.chartCaption.isEmpty())
        html += QLatin1String("<tr><td>") + htmlText(content.chartCaption) +
                QLatin1String("</td></tr>");
    html += QLatin1String("<tr width='100%'><td height='5'></td></tr>");
}

void appendTableHtml(QString &html, const ReportContent &content)
{
    html += QLatin1String("<tr><td><table width='100%' cellspacing='0' cellpadding='2'>");
    html += QLatin1String("<tr>");
    for (const ReportColumn &column : content.columns)
        html += QLatin1String("<td><b><u>") + column.title + QLatin1String("</b></u></td>");
    html += QLatin1String("</tr>");
    bool grey = true;
    for (const QVariantList &row : content.rows) {
        const QString &colour = grey ? lightGrey : white;
        html += QLatin1String("<tr bgcolor='") + colour + QLatin1String("' bordercolor='") +
                colour + QLatin1String("'>");
        for (int i = 0; i < content.columns.size(); ++i)
            html += QLatin1String("<td>") + cellHtml(content.columns.at(i).kind, row.value(i)) +
                    QLatin1String("</td>");
        html += QLatin1String("</tr>");
        grey = !grey;
    }
    html += QLatin1String("</td></tr></table></center></body></html>");
}

void appendRecordsHtml(QString &html, const ReportContent &content)
{
    for (const QVariantList &row : content.rows) {
        html += QLatin1String("<tr><td><table width='100%' cellspacing='0' cellpadding='2' "
                              "border='1' bordercolor='LightGrey'>");
        for (int i = 0; i < content.columns.size(); ++i)
            html += QLatin1String("<tr><td><b>") + content.columns.at(i).title +
                    QLatin1String(":</b></td><td>") +
                    cellHtml(content.columns.at(i).kind, row.value(i)) +
                    QLatin1String("</td></tr>");
        html += QLatin1String("</table></td></tr>");
        html += QLatin1String("<tr width='100%'><td><br><br></td></tr>");
    }
    html += QLatin1String("</table></center></body></html>");
}

// The document's pieces, in the fonts and spacing the HTML above gives.
class DocumentWriter
{
public:
    explicit DocumentWriter(QTextDocument *document) : m_document(document), m_cursor(document)
    {
        m_bold.setFontWeight(QFont::Bold);
        m_boldUnderlined = m_bold;
        m_boldUnderlined.setFontUnderline(true);
    }

    void summary(const ReportContent &content)
    {
        QTextTable *table = insertTable(3 + int(content.summaryLines.size()), 2, 5);
        int row = 0;
        cell(table, row, 0, QStringLiteral("Report Summary"), m_boldUnderlined);
        ++row;
        cell(table, row, 0, QStringLiteral("Report:"), m_bold);
        cell(table, row, 1, content.name, m_plain);
        ++row;
        cell(table, row, 0, QStringLiteral("Report Date:"), m_bold);
        cell(table, row, 1, content.reportDate.toString(Qt::TextDate), m_plain);
        for (const auto &line : content.summaryLines) {
            ++row;
            cell(table, row, 0, line.first, m_bold);
            cell(table, row, 1, line.second, m_plain);
        }
        leaveFrame();
    }

    void chart(const ReportContent &content)
    {
        if (content.chart.isNull())
            return;
        m_document->addResource(QTextDocument::ImageResource, QUrl(chartName), content.chart);
        const qreal ratio = content.chart.devicePixelRatio();
        // The block after the summary was shrunk to nothing; the picture needs its height back.
        m_cursor.setBlockFormat(QTextBlockFormat());
        QTextImageFormat image;
        image.setName(chartName);
        image.setWidth(content.chart.width() / ratio);
        image.setHeight(content.chart.height() / ratio);
        m_cursor.insertImage(image);
        if (!content.chartCaption.isEmpty()) {
            m_cursor.insertBlock();
            m_cursor.insertText(content.chartCaption, m_plain);
        }
        QTextBlockFormat gap;
        gap.setBottomMargin(5);
        m_cursor.setBlockFormat(gap);
        m_cursor.insertBlock(separatorFormat());
    }

    void rows(const ReportContent &content, qreal width)
    {
        ReportRows(content, m_document->defaultFont(), width).write(m_cursor);
    }

    void records(const ReportContent &content)
    {
        const int columnCount = int(content.columns.size());
        for (const QVariantList &values : content.rows) {
            // Two empty lines under each block, as the page always had.
            const qreal gap = 2 * QFontMetricsF(m_document->defaultFont()).lineSpacing();
            QTextTable *table = insertTable(columnCount, 2, gap, true);
            for (int i = 0; i < columnCount; ++i) {
                cell(table, i, 0, content.columns.at(i).title + QLatin1Char(':'), m_bold);
                cell(table, i, 1, shownText(content.columns.at(i).kind, values.value(i)), m_plain);
            }
            leaveFrame();
        }
    }

private:
    QTextTable *insertTable(int rows, int columns, qreal bottomMargin, bool bordered = false)
    {
        QTextTableFormat format;
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setCellSpacing(0);
        format.setCellPadding(2);
        format.setMargin(0);
        format.setBottomMargin(bottomMargin);
        if (bordered) {
            format.setBorder(1);
            format.setBorderBrush(QColor(lightGrey));
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        } else {
            format.setBorder(0);
        }
        return m_cursor.insertTable(rows, columns, format);
    }

    void cell(QTextTable *table, int row, int column, const QString &text,
              const QTextCharFormat &format)
    {
        if (text.isEmpty())
            return;
        QTextCursor at = table->cellAt(row, column).firstCursorPosition();
        at.insertText(text, format);
    }

    // Back in the block after the table just filled, shrunk to nothing so that the table's
    // own bottom margin is the only gap before what follows.
    void leaveFrame()
    {
        m_cursor.movePosition(QTextCursor::End);
        m_cursor.setBlockFormat(separatorFormat());
    }

    static QTextBlockFormat separatorFormat()
    {
        QTextBlockFormat format;
        format.setLineHeight(0, QTextBlockFormat::FixedHeight);
        return format;
    }

    QTextDocument *m_document;
    QTextCursor m_cursor;
    QTextCharFormat m_plain;
    QTextCharFormat m_bold;
    QTextCharFormat m_boldUnderlined;
};

} // namespace

QVariant money(double amount, bool estimate)
{
    return estimate ? QVariant::fromValue(ReportEstimate{amount}) : QVariant(amount);
}

double amountOf(const QVariant &value)
{
    return isEstimate(value) ? value.value<ReportEstimate>().amount : value.toDouble();
}

bool isEstimate(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<ReportEstimate>();
}

QString moneyText(double amount, bool estimate)
{
    return Formatting::currency(amount, estimate);
}

QString shownText(ReportColumnKind kind, const QVariant &value)
{
    switch (kind) {
    case ReportColumnKind::Text:
        return value.toString();
    case ReportColumnKind::Date:
        return dateText(value.toDate());
    case ReportColumnKind::Money:
        return moneyText(amountOf(value), isEstimate(value));
    case ReportColumnKind::YesNo:
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case ReportColumnKind::Month: {
        const QDate month = value.toDate();
        return month.isValid() ? Formatting::shortMonthAndYear(month) : QString();
    }
    }
    return QString();
}

QString exportText(ReportColumnKind kind, const QVariant &value)
{
    switch (kind) {
    case ReportColumnKind::Text:
    case ReportColumnKind::YesNo:
        return shownText(kind, value);
    case ReportColumnKind::Date:
        return ExportFiles::csvDate(value.toDate());
    case ReportColumnKind::Money:
        return Formatting::plainAmount(amountOf(value));
    case ReportColumnKind::Month: {
        const QDate month = value.toDate();
        return month.isValid() ? month.toString(QStringLiteral("yyyy-MM")) : QString();
    }
    }
    return QString();
}

QByteArray csvDocument(const ReportContent &content)
{
    QList<ExportFiles::CsvColumn> columns;
    for (const ReportColumn &column : content.columns) {
        const bool text =
            column.kind == ReportColumnKind::Text || column.kind == ReportColumnKind::YesNo;
        columns.append(
            {column.title, text ? ExportFiles::CsvKind::Text : ExportFiles::CsvKind::Value});
    }
    const bool estimates = exportsEstimates(content);
    if (estimates)
        columns.append({estimateTitle, ExportFiles::CsvKind::Text});
    QList<QStringList> rows;
    rows.reserve(content.rows.size());
    for (const QVariantList &values : content.rows) {
        QStringList fields;
        for (int i = 0; i < content.columns.size(); ++i)
            fields.append(exportText(content.columns.at(i).kind, values.value(i)));
        if (estimates)
            fields.append(shownText(ReportColumnKind::YesNo, rowHasEstimate(content, values)));
        rows.append(fields);
    }
    return ExportFiles::csvDocument(columns, rows);
}

QString html(const ReportContent &content)
{
    QString html;
    // One growing string: a row takes a few hundred characters.
    html.reserve(2048 + int(content.rows.size()) * 384);
    appendSummaryHtml(html, content);
    appendChartHtml(html, content);
    if (content.layout == ReportContent::Layout::Records)
        appendRecordsHtml(html, content);
    else
        appendTableHtml(html, content);
    return html;
}

void buildDocument(const ReportContent &content, QTextDocument *document, qreal textWidth)
{
    document->clear();
    document->setUndoRedoEnabled(false);
    document->setMetaInformation(QTextDocument::DocumentTitle, content.name);
    DocumentWriter writer(document);
    // One edit for the whole report: the document then settles its structure once, not after
    // every cell, which halves the time it takes to build.
    QTextCursor edit(document);
    edit.beginEditBlock();
    writer.summary(content);
    writer.chart(content);
    if (content.layout == ReportContent::Layout::Records)
        writer.records(content);
    else
        writer.rows(content, textWidth - 2 * document->documentMargin());
    edit.endEditBlock();
    // Only now: a document with a layout does that layout's bookkeeping on every insertion,
    // which made building a long report half as slow again. The layout starts at once, so it
    // starts at the width the report was built for.
    if (textWidth > 0)
        document->setTextWidth(textWidth);
    ReportStrut::install(document);
}

} // namespace ReportContents
