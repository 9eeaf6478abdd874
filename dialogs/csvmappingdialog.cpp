#include "csvmappingdialog.h"
#include "ui_csvmappingdialog.h"

#include "csvbillreader.h"
#include "csvstatementreader.h"
#include "csvtable.h"
#include "messagehelper.h"
#include "recordsql.h"
#include "statementimport.h"
#include "statementtext.h"
#include "systemcsvmappings.h"
#include "systemdatabase.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

namespace {

// The rows shown below the rows to skip: enough to see how the columns are filled.
constexpr int previewRows = 10;
// A column's header is cut there, so that a long title does not widen the dialog.
constexpr int longestHeader = 40;

const QStringList dateFormats{
    QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd.MM.yyyy"), QStringLiteral("dd/MM/yyyy"),
    QStringLiteral("MM/dd/yyyy"), QStringLiteral("dd-MM-yyyy"), QStringLiteral("yyyyMMdd"),
    QStringLiteral("d.M.yyyy"),   QStringLiteral("M/d/yyyy"),   QStringLiteral("dd.MM.yy"),
    QStringLiteral("dd/MM/yy"),   QStringLiteral("MM/dd/yy")};

// The separator the most of the first lines use, then the one they use most often; a comma when
// they show none. Lines rather than the first line alone: a bank's title line above the columns
// often holds none, and a decimal comma is only in the amounts.
QChar guessedSeparator(const QByteArray &start)
{
    // The last line may be cut where the file's start was cut.
    const qsizetype end = start.lastIndexOf('\n');
    const QList<QByteArray> lines = (end < 0 ? start : start.left(end)).split('\n').mid(0, 10);
    QChar best = QLatin1Char(',');
    std::pair<int, qsizetype> most{0, 0};
    for (const char candidate : {',', ';', '\t'}) {
        std::pair<int, qsizetype> uses{0, 0};
        for (const QByteArray &line : lines) {
            uses.first += line.contains(candidate) ? 1 : 0;
            uses.second += line.count(candidate);
        }
        if (uses > most) {
            most = uses;
            best = QLatin1Char(candidate);
        }
    }
    return best;
}

// Whether every cell of the column, from the row on, that is not blank reads as a date.
bool columnReadsAs(const QList<QStringList> &rows, int from, int column, const QString &format)
{
    for (qsizetype row = from; row < rows.size(); ++row) {
        const QString cell = rows.at(row).value(column).trimmed();
        if (!cell.isEmpty() && !StatementText::date(cell, format))
            return false;
    }
    return true;
}

// The first row with a cell that reads as a date: the rows above it are taken for titles and
// column names, and the cell's column and the format all its dates read in for the date's.
void guessDates(const QList<QStringList> &rows, CsvMapping *mapping)
{
    for (int row = 0; row < int(rows.size()); ++row) {
        for (int column = 0; column < int(rows.at(row).size()); ++column) {
            const QString cell = rows.at(row).at(column).trimmed();
            for (const QString &format : dateFormats) {
                if (StatementText::date(cell, format) &&
                    columnReadsAs(rows, row + 1, column, format)) {
                    mapping->skipRows = row;
                    mapping->dateColumn = column;
                    mapping->dateFormat = format;
                    return;
                }
            }
        }
    }
}

// Whether the column holds an amount on some row from the row on, and nothing else.
bool columnHoldsAmounts(const QList<QStringList> &rows, int from, int column, bool decimalComma)
{
    bool any = false;
    for (qsizetype row = from; row < rows.size(); ++row) {
        const QString cell = rows.at(row).value(column).trimmed();
        if (cell.isEmpty())
            continue;
        if (!StatementText::cents(cell, decimalComma))
            return false;
        any = true;
    }
    return any;
}

// Below the dates, the first column of amounts is the amount's; the first two that hold words
// are the name's and the memo's.
void guessStatementColumns(const QList<QStringList> &rows, CsvMapping *mapping)
{
    const int from = mapping->skipRows;
    if (from >= rows.size())
        return;
    QList<int> texts;
    int amount = -1;
    for (int column = 0; column < int(rows.at(from).size()); ++column) {
        if (column == mapping->dateColumn)
            continue;
        if (amount < 0 && columnHoldsAmounts(rows, from, column, mapping->decimalComma))
            amount = column;
        else if (rows.at(from).at(column).contains(QRegularExpression(QStringLiteral("\\p{L}"))))
            texts.append(column);
    }
    if (amount >= 0)
        mapping->amountColumn = amount;
    mapping->nameColumn = texts.value(0, mapping->nameColumn);
    mapping->memoColumn = texts.value(1, mapping->memoColumn);
}

int widestRow(const QList<QStringList> &rows)
{
    int widest = 0;
    for (const QStringList &row : rows)
        widest = std::max(widest, int(row.size()));
    return widest;
}

} // namespace

CsvMappingDialog::CsvMappingDialog(Purpose purpose, const QByteArray &start, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CsvMappingDialog>()), m_purpose(purpose),
      m_start(start)
{
    m_ui->setupUi(this);
    setUpForPurpose();
    fillFixedChoices();
    // No saved mapping is chosen until the person chooses one.
    m_ui->nameCombo->setCurrentIndex(-1);
    setMapping(firstMapping());
    connectFields();
    updateState();
    m_ui->nameCombo->setFocus();
}

CsvMappingDialog::~CsvMappingDialog() = default;

QList<CsvMappingDialog::ColumnField> CsvMappingDialog::columnFields() const
{
    // A statement without an amount column has a debit and a credit column instead.
    return {{m_ui->dateColumnCombo, &CsvMapping::dateColumn, false},
            {m_ui->amountColumnCombo, &CsvMapping::amountColumn, m_purpose != Purpose::Bills},
            {m_ui->debitColumnCombo, &CsvMapping::debitColumn, true},
            {m_ui->creditColumnCombo, &CsvMapping::creditColumn, true},
            {m_ui->nameColumnCombo, &CsvMapping::nameColumn, false},
            {m_ui->memoColumnCombo, &CsvMapping::memoColumn, true},
            {m_ui->paidDateColumnCombo, &CsvMapping::paidDateColumn, true}};
}

void CsvMappingDialog::setUpForPurpose()
{
    QFormLayout *form = m_ui->fieldsLayout;
    const bool columns = m_purpose != Purpose::Qif;
    form->setRowVisible(m_ui->separatorCombo, columns);
    form->setRowVisible(m_ui->skipRowsSpin, columns);
    for (const ColumnField &field : columnFields())
        form->setRowVisible(field.combo, columns);
    m_ui->previewTable->setVisible(columns);
    form->setRowVisible(m_ui->debitColumnCombo, m_purpose == Purpose::Statement);
    form->setRowVisible(m_ui->creditColumnCombo, m_purpose == Purpose::Statement);
    form->setRowVisible(m_ui->paidDateColumnCombo, m_purpose == Purpose::Bills);
    if (m_purpose == Purpose::Qif) {
        // Only a few fields are left: the dialog is as high as they need.
        resize(width(), minimumSizeHint().height());
        setWindowTitle(tr("QIF Statement Dates and Amounts"));
        m_ui->dateFormatLabel->setText(tr("Date &order:"));
        m_ui->dateFormatCombo->setEditable(false);
    } else if (m_purpose == Purpose::Bills) {
        setWindowTitle(tr("Bill Columns"));
        m_ui->nameColumnLabel->setText(tr("Pa&yee column:"));
        m_ui->memoColumnLabel->setText(tr("Descr&iption column:"));
        m_ui->dateColumnLabel->setText(tr("&Due date column:"));
    }
}

void CsvMappingDialog::fillFixedChoices()
{
    m_ui->separatorCombo->addItem(tr("Comma (,)"), QStringLiteral(","));
    m_ui->separatorCombo->addItem(tr("Semicolon (;)"), QStringLiteral(";"));
    m_ui->separatorCombo->addItem(tr("Tab"), QStringLiteral("\t"));
    if (m_purpose == Purpose::Qif) {
        // The order is all a QIF file leaves open; the format stands for it.
        m_ui->dateFormatCombo->addItem(tr("Month, day, year"), QStringLiteral("MM/dd/yyyy"));
        m_ui->dateFormatCombo->addItem(tr("Day, month, year"), QStringLiteral("dd/MM/yyyy"));
        m_ui->dateFormatCombo->addItem(tr("Year, month, day"), QStringLiteral("yyyy-MM-dd"));
    } else {
        m_ui->dateFormatCombo->addItems(dateFormats);
    }
    m_ui->nameCombo->addItems(SystemCsvMappings::names());
}

void CsvMappingDialog::connectFields()
{
    connect(m_ui->nameCombo, &QComboBox::textActivated, this, &CsvMappingDialog::loadSaved);
    connect(m_ui->nameCombo, &QComboBox::editTextChanged, this, &CsvMappingDialog::updateState);
    connect(m_ui->separatorCombo, &QComboBox::currentIndexChanged, this,
            &CsvMappingDialog::refreshPreview);
    connect(m_ui->skipRowsSpin, &QSpinBox::valueChanged, this, &CsvMappingDialog::refreshPreview);
    for (const ColumnField &field : columnFields())
        connect(field.combo, &QComboBox::currentIndexChanged, this, &CsvMappingDialog::updateState);
    connect(m_ui->dateFormatCombo, &QComboBox::currentTextChanged, this,
            &CsvMappingDialog::updateState);
    connect(m_ui->decimalCommaCheck, &QCheckBox::toggled, this, &CsvMappingDialog::updateState);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CsvMappingDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CsvMappingDialog::reject);
}

// What a new mapping starts from: a row of column names, and for bills the columns in the
// order the program's own bill export writes them, so that an exported file reads back as it is.
CsvMapping CsvMappingDialog::firstMapping() const
{
    CsvMapping mapping;
    mapping.separator = guessedSeparator(m_start);
    // Banks that separate with semicolons write amounts with a decimal comma.
    mapping.decimalComma = mapping.separator == QLatin1Char(';');
    mapping.skipRows = 1;
    mapping.dateFormat = dateFormats.first();
    mapping.dateColumn = 0;
    mapping.nameColumn = 1;
    mapping.amountColumn = 2;
    if (m_purpose == Purpose::Bills) {
        mapping.nameColumn = 0;
        mapping.memoColumn = 1;
        mapping.dateColumn = 2;
        mapping.amountColumn = 3;
        mapping.paidDateColumn = 5;
    } else if (m_purpose == Purpose::Qif) {
        mapping.dateFormat = QStringLiteral("MM/dd/yyyy");
        return mapping;
    }
    // The rows read whole, the last one perhaps cut where the file's start was cut.
    QList<QStringList> rows = CsvStatementReader::preview(m_start, mapping.separator, 12);
    if (rows.size() > 1)
        rows.removeLast();
    guessDates(rows, &mapping);
    if (m_purpose == Purpose::Statement)
        guessStatementColumns(rows, &mapping);
    return mapping;
}

void CsvMappingDialog::setMapping(const CsvMapping &mapping)
{
    {
        const QSignalBlocker separatorBlocker(m_ui->separatorCombo);
        const QSignalBlocker skipBlocker(m_ui->skipRowsSpin);
        const QSignalBlocker nameBlocker(m_ui->nameCombo);
        const QSignalBlocker formatBlocker(m_ui->dateFormatCombo);
        const QSignalBlocker commaBlocker(m_ui->decimalCommaCheck);
        m_ui->nameCombo->setEditText(mapping.name);
        const int separator = m_ui->separatorCombo->findData(QString(mapping.separator));
        m_ui->separatorCombo->setCurrentIndex(std::max(separator, 0));
        m_ui->skipRowsSpin->setValue(mapping.skipRows);
        m_ui->decimalCommaCheck->setChecked(mapping.decimalComma);
        m_setDateFormat = mapping.dateFormat;
        if (m_purpose == Purpose::Qif) {
            const auto order = StatementImport::qifOptions(mapping).order;
            for (int index = 0; index < m_ui->dateFormatCombo->count(); ++index) {
                CsvMapping choice;
                choice.dateFormat = m_ui->dateFormatCombo->itemData(index).toString();
                if (StatementImport::qifOptions(choice).order == order)
                    m_ui->dateFormatCombo->setCurrentIndex(index);
            }
        } else {
            m_ui->dateFormatCombo->setEditText(mapping.dateFormat);
        }
    }
    // The spin box holds the rows to skip within its range, whatever the mapping says.
    m_rows = CsvStatementReader::preview(m_start, mapping.separator,
                                         m_ui->skipRowsSpin->value() + previewRows);
    fillPreviewTable();
    fillColumnCombos(mapping);
    updateState();
}

CsvMapping CsvMappingDialog::mapping() const
{
    CsvMapping mapping;
    // As the store compares names, so that a statement's lines are known under one name.
    mapping.name =
        m_ui->nameCombo->currentText().trimmed().normalized(QString::NormalizationForm_C);
    const QString separator = m_ui->separatorCombo->currentData().toString();
    mapping.separator = separator.isEmpty() ? QLatin1Char(',') : separator.at(0);
    mapping.skipRows = m_ui->skipRowsSpin->value();
    for (const ColumnField &field : columnFields())
        mapping.*(field.column) =
            field.combo->count() > 0 ? field.combo->currentData().toInt() : -1;
    mapping.dateFormat = m_purpose == Purpose::Qif ? m_ui->dateFormatCombo->currentData().toString()
                                                   : m_ui->dateFormatCombo->currentText().trimmed();
    // A QIF file asks only for the order of day, month and year: a saved mapping of a bank's CSV
    // keeps its own format when the order stays, so that its CSV statements still read.
    if (m_purpose == Purpose::Qif) {
        CsvMapping saved;
        saved.dateFormat = m_setDateFormat;
        if (StatementImport::qifOptions(saved).order ==
                StatementImport::qifOptions(mapping).order &&
            m_setDateFormat.contains(QLatin1Char('d')) &&
            m_setDateFormat.contains(QLatin1Char('M')) &&
            m_setDateFormat.contains(QLatin1Char('y')))
            mapping.dateFormat = m_setDateFormat;
    }
    mapping.decimalComma = m_ui->decimalCommaCheck->isChecked();
    return mapping;
}

void CsvMappingDialog::loadSaved(const QString &name)
{
    if (!SystemCsvMappings::names().contains(name))
        return;
    QString error;
    const std::optional<CsvMapping> saved = SystemCsvMappings::load(name, &error);
    if (!saved) {
        MessageHelper::show(MessageIcon::Warning, windowTitle(), error, this);
        return;
    }
    setMapping(*saved);
}

void CsvMappingDialog::refreshPreview()
{
    const CsvMapping current = mapping();
    m_rows =
        CsvStatementReader::preview(m_start, current.separator, current.skipRows + previewRows);
    fillPreviewTable();
    fillColumnCombos(current);
    updateState();
}

void CsvMappingDialog::fillColumnCombos(const CsvMapping &wanted)
{
    // The names of the columns are in the last row skipped, when the file has one.
    const int skip = wanted.skipRows;
    const QStringList headers =
        skip > 0 && skip <= m_rows.size() ? m_rows.at(skip - 1) : QStringList();
    const QList<ColumnField> fields = columnFields();
    int count = widestRow(m_rows);
    for (const ColumnField &field : fields)
        count = std::max(count, wanted.*(field.column) + 1);
    for (const ColumnField &field : fields) {
        const QSignalBlocker blocker(field.combo);
        field.combo->clear();
        if (field.allowsNone)
            field.combo->addItem(field.column == &CsvMapping::amountColumn
                                     ? tr("none: debit and credit columns")
                                     : tr("none"),
                                 -1);
        for (int column = 0; column < count; ++column)
            field.combo->addItem(columnLabel(column, headers), column);
        field.combo->setCurrentIndex(std::max(field.combo->findData(wanted.*(field.column)), 0));
    }
}

// Columns are numbered from 1 for the person, as a spreadsheet shows them.
QString CsvMappingDialog::columnLabel(int column, const QStringList &headers) const
{
    QString label = QString::number(column + 1);
    const QString header = headers.value(column).simplified();
    if (!header.isEmpty())
        label += QStringLiteral(": ") + (header.size() > longestHeader
                                             ? header.left(longestHeader - 1) + QChar(0x2026)
                                             : header);
    return label;
}

void CsvMappingDialog::fillPreviewTable()
{
    QTableWidget *table = m_ui->previewTable;
    table->clear();
    table->setRowCount(int(m_rows.size()));
    table->setColumnCount(widestRow(m_rows));
    // The skipped rows stay in sight, greyed, so that the person sees what is left out.
    const QBrush skipped = palette().brush(QPalette::Disabled, QPalette::Text);
    const int skip = m_ui->skipRowsSpin->value();
    for (int row = 0; row < m_rows.size(); ++row) {
        for (int column = 0; column < m_rows.at(row).size(); ++column) {
            auto *item = new QTableWidgetItem(m_rows.at(row).at(column));
            if (row < skip)
                item->setForeground(skipped);
            table->setItem(row, column, item);
        }
    }
}

void CsvMappingDialog::updateState()
{
    const QString problem = this->problem();
    // A row the mapping cannot read is only a warning: the start of a file may not be typical.
    const QString text = problem.isEmpty() ? readingProblem() : problem;
    m_ui->problemLabel->setText(text);
    m_ui->problemLabel->setVisible(!text.isEmpty());
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(problem.isEmpty());
}

// Where reading the start of the file through the mapping stops, so that a wrong date format
// or decimal mark shows before the whole file is read.
QString CsvMappingDialog::readingProblem() const
{
    // The start may end inside a row or inside a quoted field; only whole lines that split
    // cleanly are tried, and the reader of the whole file reports the rest.
    const qsizetype end = m_start.lastIndexOf('\n');
    if (m_purpose == Purpose::Qif || end < 0)
        return QString();
    const QByteArray lines = m_start.left(end + 1);
    const CsvMapping current = mapping();
    QString where;
    QString error;
    if (!CsvTable::read(lines, current.separator, &where, &error))
        return QString();
    if (m_purpose == Purpose::Bills) {
        const BillRows rows = CsvBillReader::read(lines, current);
        where = rows.where;
        error = rows.ok ? QString() : rows.error;
    } else {
        const Statement statement = CsvStatementReader::read(lines, current);
        where = statement.where;
        error = statement.ok ? QString() : statement.error;
    }
    return error.isEmpty() ? QString() : tr("Reading stops at %1: %2").arg(where, error);
}

QString CsvMappingDialog::problem() const
{
    const CsvMapping current = mapping();
    const QString problem = current.problem();
    if (!problem.isEmpty())
        return problem;
    if (current.name.isEmpty())
        return tr("The mapping needs a name.");
    for (const QChar c : current.name)
        if (c.category() == QChar::Other_Control)
            return tr("The name cannot hold a tab or another control character.");
    return QString();
}

void CsvMappingDialog::accept()
{
    updateState();
    if (!problem().isEmpty())
        return;
    if (!SystemCsvMappings::save(mapping())) {
        const QString reason = SystemDatabase::isCurrentStore()
                                   ? RecordSql::lastErrorText()
                                   : tr("The program's own store, system.db, is not open.");
        MessageHelper::showFileError(tr("The mapping could not be saved."), reason, this);
        return;
    }
    QDialog::accept();
}
