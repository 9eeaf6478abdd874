#include "connections.h"
#include "csvmappingdialog.h"
#include "messagerecorder.h"
#include "scopedworkdir.h"
#include "systemcsvmappings.h"
#include "systemdatabase.h"
#include "systemsettings.h"
#include "testmain.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {

const QByteArray bankStart = "Account 1234;;;;\n"
                             "Booked;Payee;Text;Debit;Credit\n"
                             "01.03.2026;City Power;March;84,50;\n"
                             "02.03.2026;Employer;Salary;;1.250,00\n"
                             "03.03.2026;Water Wo"; // the start of a longer file

template <typename T> T *child(const QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no %s", name);
    return widget;
}

void chooseColumn(const QWidget &dialog, const char *combo, const QString &label)
{
    auto *box = child<QComboBox>(dialog, combo);
    const int index = box->findText(label);
    QVERIFY2(index >= 0, qPrintable(label));
    box->setCurrentIndex(index);
}

void typeInto(const QWidget &dialog, const char *combo, const QString &text)
{
    QLineEdit *edit = child<QComboBox>(dialog, combo)->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QPushButton *okButton(const QWidget &dialog)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
}

} // namespace

class TestCsvMappingDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Connections::close(Connections::system()); }

    void fieldsMakeTheMappingThatOkSaves();
    void savedNameLoadsIntoTheFields();
    void failedSaveKeepsTheDialogOpen();
    void firstMappingIsGuessed_data();
    void firstMappingIsGuessed();
};

// The person picks the columns by their headers; OK is offered once the mapping can be used.
void TestCsvMappingDialog::fieldsMakeTheMappingThatOkSaves()
{
    ScopedWorkDir dir;
    MessageRecorder recorder;
    SystemDatabase db;
    CsvMappingDialog dialog(CsvMappingDialog::Purpose::Statement, bankStart);
    dialog.show();
    child<QSpinBox>(dialog, "skipRowsSpin")->setValue(2);
    QCOMPARE(child<QTableWidget>(dialog, "previewTable")->item(2, 1)->text(),
             QString("City Power"));
    chooseColumn(dialog, "dateColumnCombo", "1: Booked");
    chooseColumn(dialog, "nameColumnCombo", "2: Payee");
    chooseColumn(dialog, "memoColumnCombo", "3: Text");
    chooseColumn(dialog, "amountColumnCombo", "none: debit and credit columns");
    QVERIFY(!okButton(dialog)->isEnabled());
    chooseColumn(dialog, "debitColumnCombo", "4: Debit");
    chooseColumn(dialog, "creditColumnCombo", "5: Credit");
    // The format guessed from the file, changed to one its dates are not written in.
    QCOMPARE(child<QComboBox>(dialog, "dateFormatCombo")->currentText(), QString("dd.MM.yyyy"));
    typeInto(dialog, "dateFormatCombo", "yyyy-MM-dd");
    auto *problem = child<QLabel>(dialog, "problemLabel");
    QCOMPARE(problem->text(), QString("The mapping needs a name."));
    QVERIFY(!okButton(dialog)->isEnabled());
    typeInto(dialog, "nameCombo", " Giro ");
    QCOMPARE(problem->text(), QString("Reading stops at row 3: The date \"01.03.2026\" is not a "
                                      "real date in the format yyyy-MM-dd."));
    QVERIFY(okButton(dialog)->isEnabled());
    typeInto(dialog, "dateFormatCombo", "dd.MM.yyyy");
    QVERIFY(problem->isHidden());

    // name, date, amount, debit, credit, name, memo and paid date columns, date format,
    // decimal comma, rows to skip, separator
    const CsvMapping expected{"Giro", 0, -1, 3, 4, 1, 2, -1, "dd.MM.yyyy", true, 2, ';'};
    QVERIFY(dialog.mapping() == expected);
    QTest::mouseClick(okButton(dialog), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    Connections::close(Connections::system());
    SystemDatabase reopened;
    QVERIFY(SystemCsvMappings::load("Giro") == expected);
    QCOMPARE(recorder.count(), 0);
}

// Choosing a saved name fills every field; one saved before bills had a paid date column
// loads with none.
void TestCsvMappingDialog::savedNameLoadsIntoTheFields()
{
    ScopedWorkDir dir;
    MessageRecorder recorder;
    SystemDatabase db;
    QVERIFY(SystemSettings::setValue("csvmap/Household",
                                     "{\"amountColumn\":3,\"creditColumn\":-1,\"dateColumn\":2,"
                                     "\"dateFormat\":\"dd/MM/yyyy\",\"debitColumn\":-1,"
                                     "\"decimalComma\":false,\"memoColumn\":-1,\"nameColumn\":0,"
                                     "\"separator\":\",\",\"skipRows\":0}"));
    CsvMappingDialog dialog(CsvMappingDialog::Purpose::Bills, "Power,March,01/03/2026,84.50\n");
    dialog.show();
    auto *names = child<QComboBox>(dialog, "nameCombo");
    names->setFocus();
    QTest::keyClick(names, Qt::Key_Down);
    QCOMPARE(names->currentText(), QString("Household"));
    QCOMPARE(child<QComboBox>(dialog, "paidDateColumnCombo")->currentText(), QString("none"));
    QCOMPARE(child<QComboBox>(dialog, "dateColumnCombo")->currentText(), QString("3"));
    QVERIFY(dialog.mapping() == SystemCsvMappings::load("Household"));
    QVERIFY(okButton(dialog)->isEnabled());
    QCOMPARE(recorder.count(), 0);

    // A bank's CSV mapping used for its QIF files keeps the way its CSV dates are written.
    CsvMapping giro = dialog.mapping();
    giro.dateFormat = "dd.MM.yy";
    CsvMappingDialog qif(CsvMappingDialog::Purpose::Qif, QByteArray());
    qif.setMapping(giro);
    QVERIFY(qif.mapping() == giro);
}

// Without a system store to write to, the person is told and the fields stay as they are.
void TestCsvMappingDialog::failedSaveKeepsTheDialogOpen()
{
    ScopedWorkDir dir;
    MessageRecorder recorder;
    CsvMappingDialog dialog(CsvMappingDialog::Purpose::Qif, QByteArray());
    dialog.show();
    typeInto(dialog, "nameCombo", "Card");
    QTest::mouseClick(okButton(dialog), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(recorder.count(), 1);
    QCOMPARE(recorder.last().icon, QMessageBox::Critical);
    QVERIFY(SystemCsvMappings::names().isEmpty());
}

void TestCsvMappingDialog::firstMappingIsGuessed_data()
{
    QTest::addColumn<QByteArray>("start");
    // separator, rows to skip, date column and format, amount, name and memo columns
    QTest::addColumn<QString>("guess");
    QTest::newRow("a title line above columns with decimal commas")
        << QByteArray("Account 11223344\nDate;Name;Ref;Amount\n18.11.2026;POWER;A 1;-93,31\n"
                      "01.12.2026;PAYROLL;Dec;2.400,00\n03.12.2026;CAFE;;-2,10\n")
        << ";|2|0|dd.MM.yyyy|3|1|2";
    QTest::newRow("commas inside quoted amounts, the day after the month")
        << QByteArray("Posted,Amount,Payee\n03/01/2026,\"-1,084.50\",Power\n"
                      "03/13/2026,-9.00,Water\n03/14/2026,-1.00,Ca")
        << ",|1|0|MM/dd/yyyy|1|2|-1";
    QTest::newRow("tabs, no dates")
        << QByteArray("Date\tName\tAmount\nsoon\tA, B\t-1.00\n") << "\t|1|0|yyyy-MM-dd|2|1|-1";
    QTest::newRow("one line, cut short")
        << QByteArray("Date;Name;Amount;Memo, more") << ";|1|0|yyyy-MM-dd|2|1|-1";
}

// A new mapping starts from what the file's first lines show.
void TestCsvMappingDialog::firstMappingIsGuessed()
{
    QFETCH(QByteArray, start);
    QFETCH(QString, guess);
    const CsvMapping m = CsvMappingDialog(CsvMappingDialog::Purpose::Statement, start).mapping();
    const QString made = QString("%1|%2|%3|%4|%5|%6|%7")
                             .arg(m.separator)
                             .arg(m.skipRows)
                             .arg(m.dateColumn)
                             .arg(m.dateFormat)
                             .arg(m.amountColumn)
                             .arg(m.nameColumn)
                             .arg(m.memoColumn);
    QCOMPARE(made, guess);
}

NV_TEST_MAIN(TestCsvMappingDialog)
#include "tst_csvmappingdialog.moc"
