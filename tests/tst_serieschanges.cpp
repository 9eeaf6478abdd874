#include "bill.h"
#include "billdialog.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "currentsql.h"
#include "datafile.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "scratchdatafile.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDateEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
const QDateTime now(QDate(2026, 4, 20), QTime(9, 30));

// The bills as "month-day=amount" in due-date order, then where the schedule ends.
QString stored()
{
    return scalar("SELECT group_concat(bill, ' ') FROM (SELECT substr(duedate, 6) || '=' || "
                  "amount AS bill FROM bills ORDER BY duedate)")
               .toString() +
           " | " + scalar("SELECT rangeenddate FROM billschedule").toString();
}

// A series of 50.00 bills from January 1st; the ids of its bills in due-date order.
QList<int> storedSeries(const QString &type, int day, const QDate &end)
{
    Payee payee;
    payee.setPayeeName("Rent Co");
    payee.save();
    BillSchedule schedule(type, day, day, 0, "DAY", "ENDON", QDate(2026, 1, 1), end);
    Bill templateBill;
    templateBill.setPayee(payee);
    templateBill.setAmount(50);
    QList<int> ids;
    if (schedule.save() && schedule.generateBills(templateBill))
        for (const Bill &bill : schedule.bills())
            ids.append(bill.id());
    return ids;
}

// A payment of part of the bill, leaving it in the series, and/or the bill edited on its own.
void touch(int billId, const QString &how)
{
    if (how.contains("payment"))
        QVERIFY(BillPayment(billId, now, 20).save());
    if (how.contains("unique"))
        QVERIFY(run(QString("UPDATE bills SET isunique = 1 WHERE id = %1").arg(billId)));
}
} // namespace

class TestSeriesChanges : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deleteRestOfSeries_data();
    void deleteRestOfSeries();
    void wholeSeriesEdit_data();
    void wholeSeriesEdit();
    void shortenSeriesInTheDialog_data();
    void shortenSeriesInTheDialog();
    void windowDeleteOffersTheRest_data();
    void windowDeleteOffersTheRest();

private:
    std::unique_ptr<ScratchDataFile> m_data;
    DataFile *m_file = nullptr;
};

void TestSeriesChanges::init()
{
    Clock::setFixed(now);
    m_data = std::make_unique<ScratchDataFile>();
    m_file = &m_data->file;
    QVERIFY(m_data->isOpen);
}

void TestSeriesChanges::cleanup()
{
    m_data.reset();
    Clock::reset();
}

void TestSeriesChanges::deleteRestOfSeries_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("touched");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("restCount");
    QTest::addColumn<QString>("left");

    // Monthly on the 5th, January to June.
    QTest::newRow("the rest") << 2 << 0 << "" << 4 << "01-05=50 02-05=50 | 2026-03-04";
    QTest::newRow("partly paid after it")
        << 2 << 4 << "payment unique" << 3 << "01-05=50 02-05=50 05-05=50 | 2026-03-04";
    QTest::newRow("edited alone after it") << 3 << 4 << "unique" << 2
                                           << "01-05=50 02-05=50 03-05=50 05-05=50 | "
                                              "2026-04-04";
    QTest::newRow("payment after it") << 3 << 5 << "payment" << 2
                                      << "01-05=50 02-05=50 03-05=50 06-05=50 | "
                                         "2026-04-04";
    QTest::newRow("all, schedule too") << 0 << 0 << "" << 6 << " | ";
}

void TestSeriesChanges::deleteRestOfSeries()
{
    QFETCH(int, from);
    QFETCH(int, touched);
    QFETCH(QString, how);
    QFETCH(int, restCount);
    QFETCH(QString, left);
    const QList<int> ids = storedSeries("MONTHLY", 5, QDate(2026, 6, 30));
    touch(ids.at(touched), how);

    Bill bill = Bill::findById(ids.at(from)).value();
    const DataFile::SeriesBills rest = m_file->seriesRestFrom(bill);
    QCOMPARE(rest.count, restCount);
    QCOMPARE(rest.first, bill.dueDate());
    QVERIFY(m_file->deleteSeriesFrom(&bill));
    QCOMPARE(stored(), left);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), how.contains("payment") ? 1 : 0);
}

void TestSeriesChanges::wholeSeriesEdit_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("day");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("edited");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("earlierEnd");
    QTest::addColumn<QDate>("newEnd");
    QTest::addColumn<QString>("series");
    QTest::addColumn<QString>("added");

    // The second bill is partly paid and no longer follows the series.
    QTest::newRow("extended weekly")
        << "WEEKLY" << 5 << QDate(2026, 1, 20) << 0 << QDate(2026, 1, 1) << QDate()
        << QDate(2026, 2, 7) << "01-02=65 01-09=50 01-16=65 01-23=65 01-30=65 02-06=65 | 2026-02-07"
        << "01-23 01-30 02-06";
    QTest::newRow("extended monthly on the 31st")
        << "MONTHLY" << 31 << QDate(2026, 3, 31) << 0 << QDate(2026, 1, 1) << QDate()
        << QDate(2026, 6, 29) << "01-31=65 02-28=50 03-31=65 04-30=65 05-31=65 | 2026-06-29"
        << "04-30 05-31";
    // February outlived an earlier end and is not made twice.
    QTest::newRow("extended past a bill kept after an earlier end")
        << "MONTHLY" << 31 << QDate(2026, 3, 31) << 0 << QDate(2026, 1, 1) << QDate(2026, 1, 31)
        << QDate(2026, 4, 30) << "01-31=65 02-28=50 03-31=65 04-30=65 | 2026-04-30"
        << "03-31 04-30";
    QTest::newRow("from the edited bill")
        << "MONTHLY" << 5 << QDate(2026, 4, 30) << 2 << QDate(2026, 3, 5) << QDate()
        << QDate(2026, 4, 30) << "01-05=50 02-05=50 03-05=65 04-05=65 | 2026-04-30"
        << "";
    QTest::newRow("from after the edited bill")
        << "MONTHLY" << 5 << QDate(2026, 4, 30) << 0 << QDate(2026, 3, 1) << QDate()
        << QDate(2026, 4, 30) << "01-05=50 02-05=50 03-05=65 04-05=65 | 2026-04-30"
        << "";
}

void TestSeriesChanges::wholeSeriesEdit()
{
    QFETCH(QString, type);
    QFETCH(int, day);
    QFETCH(QDate, end);
    QFETCH(int, edited);
    QFETCH(QDate, from);
    QFETCH(QDate, earlierEnd);
    QFETCH(QDate, newEnd);
    QFETCH(QString, series);
    QFETCH(QString, added);
    const QList<int> ids = storedSeries(type, day, end);
    QVERIFY(run("UPDATE bills SET insertdate = '2025-12-01'"));
    touch(ids.at(1), "payment unique");

    Bill bill = Bill::findById(ids.at(edited)).value();
    BillSchedule schedule = BillSchedule::findById(bill.billScheduleId()).value();
    if (earlierEnd.isValid())
        QVERIFY(m_file->saveSeriesChange(bill, schedule, from, earlierEnd));
    bill.setAmount(65);
    QVERIFY(m_file->saveSeriesChange(bill, schedule, from, newEnd));
    QCOMPARE(stored(), series);
    // The caller's bill is the one stored, whether the edit reached it or not.
    QCOMPARE(bill.amount(), Bill::findById(ids.at(edited)).value().amount());
    // Only the added bills are new, as of today.
    QCOMPARE(scalar("SELECT group_concat(substr(duedate, 6), ' ') FROM bills WHERE insertdate = "
                    "'2026-04-20'")
                 .toString(),
             added);
}

void TestSeriesChanges::shortenSeriesInTheDialog_data()
{
    QTest::addColumn<QDate>("newEnd");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("left");

    // March is partly paid and April edited on its own: neither goes.
    const QString all = "01-05=50 02-05=50 03-05=50 04-05=50 05-05=50 06-05=50 | ";
    QTest::newRow("delete") << QDate(2026, 2, 20) << "Delete"
                            << "2 unpaid bills due from 05/05/2026 to 06/05/2026"
                            << "01-05=50 02-05=50 03-05=50 04-05=50 | 2026-02-20";
    QTest::newRow("one bill") << QDate(2026, 5, 31) << "Delete"
                              << "1 unpaid bill due on 06/05/2026" << all.left(45) + "| 2026-05-31";
    QTest::newRow("cancel") << QDate(2026, 2, 20) << "Cancel"
                            << "2 unpaid bills due from 05/05/2026 to 06/05/2026"
                            << all + "2026-06-30";
    QTest::newRow("end before the start")
        << QDate(2025, 12, 31) << "OK"
        << "cannot end before it starts on 01/01/2026" << all + "2026-06-30";
}

void TestSeriesChanges::shortenSeriesInTheDialog()
{
    QFETCH(QDate, newEnd);
    QFETCH(QString, answer);
    QFETCH(QString, question);
    QFETCH(QString, left);
    const QList<int> ids = storedSeries("MONTHLY", 5, QDate(2026, 6, 30));
    touch(ids.at(2), "payment");
    touch(ids.at(3), "unique");
    m_file->reloadPayees();
    BillDialog dialog(m_file);
    dialog.setEditMode("RECURRING");
    dialog.loadBill(ids.at(0));
    dialog.show();
    auto *endEdit = dialog.findChild<QDateEdit *>("seriesEndDateEdit");
    QVERIFY(endEdit->isVisible());
    QCOMPARE(endEdit->date(), QDate(2026, 6, 30));
    QCOMPARE(dialog.findChild<QDateEdit *>("applyFromDateEdit")->date(), QDate(2026, 1, 5));
    endEdit->setDate(newEnd);

    MessageRecorder messages;
    messages.answer(answer);
    QTest::mouseClick(dialog.findChild<QPushButton *>("OkButton"), Qt::LeftButton);
    QCOMPARE(messages.count(), 1);
    QVERIFY2(messages.last().text.contains(question), qPrintable(messages.last().text));
    QCOMPARE(messages.last().buttons.at(messages.last().defaultButton),
             answer == "OK" ? "OK" : "Cancel");
    QCOMPARE(dialog.isVisible(), answer != "Delete");
    QCOMPARE(stored(), left);
}

void TestSeriesChanges::windowDeleteOffersTheRest_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("left");

    QTest::newRow("only this bill") << "Delete only this bill"
                                    << "01-05=50 03-05=50 04-05=50 05-05=50 | 2026-05-31";
    QTest::newRow("the rest") << "Delete the rest of the series"
                              << "01-05=50 | 2026-02-04";
    QTest::newRow("cancel") << "Cancel"
                            << "01-05=50 02-05=50 03-05=50 04-05=50 05-05=50 | "
                               "2026-05-31";
}

void TestSeriesChanges::windowDeleteOffersTheRest()
{
    QFETCH(QString, answer);
    QFETCH(QString, left);
    // The window opens a file of its own.
    m_data.reset();
    ScopedWorkDir dir;
    FileAnswers files;
    NorvoRavaRodozod window;
    newFileInWindow(window, files, dir.filePath("bills.nvbf"));
    QVERIFY(storedSeries("MONTHLY", 5, QDate(2026, 5, 31)).size() == 5);
    trigger(window, "action_Current_Bills_Menu");
    selectRow(window, 1);

    MessageRecorder messages;
    messages.answer(answer);
    trigger(window, "actionDelete_Bill_Toolbar");
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().buttons,
             (QStringList{"Delete only this bill", "Delete the rest of the series", "Cancel"}));
    QCOMPARE(messages.last().defaultButton, 2);
    QCOMPARE(messages.last().escapeButton, 2);
    QVERIFY2(messages.last().text.contains("this bill and the 3 unpaid bills after it, 4 bills "
                                           "due from 02/05/2026 to 05/05/2026"),
             qPrintable(messages.last().text));
    QCOMPARE(stored(), left);
    QCOMPARE(billList(window)->topLevelItemCount(), left.count('='));
}

NV_TEST_MAIN(TestSeriesChanges)
#include "tst_serieschanges.moc"
