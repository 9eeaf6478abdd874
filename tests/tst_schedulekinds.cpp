#include "billschedule.h"
#include "testmain.h"

#include <QFile>

#include <limits>

namespace {
BillSchedule makeSchedule(const QString &kind, int dayOfWeek, int dayOfMonth, int frequency,
                          const QString &weekendRule, const QDate &start, const QDate &end)
{
    return BillSchedule(kind, dayOfMonth, dayOfWeek, frequency, weekendRule,
                        QStringLiteral("ENDON"), start, end);
}
} // namespace

Q_DECLARE_METATYPE(BillSchedule)

// The recurring kinds against tests/data/schedules.tsv, which dateutil's rrule worked out
// (tests/data/makescheduletable.py).
class TestScheduleKinds : public QObject
{
    Q_OBJECT

private slots:
    void dueDatesMatchTheReferenceTable_data();
    void dueDatesMatchTheReferenceTable();
    void limitKeepsTheEarliestDates_data() { dueDatesMatchTheReferenceTable_data(); }
    void limitKeepsTheEarliestDates();
    void endDateAfterGivesExactlyThatManyDates_data() { dueDatesMatchTheReferenceTable_data(); }
    void endDateAfterGivesExactlyThatManyDates();
    void endDateAfterGivesNoEnd_data();
    void endDateAfterGivesNoEnd();
};

void TestScheduleKinds::dueDatesMatchTheReferenceTable_data()
{
    QTest::addColumn<BillSchedule>("schedule");
    QTest::addColumn<QList<QDate>>("expected");

    QFile table(QFINDTESTDATA("data/schedules.tsv"));
    QVERIFY2(table.open(QIODevice::ReadOnly | QIODevice::Text), "schedules.tsv is missing");
    table.readLine(); // the column names
    int line = 1;
    while (!table.atEnd()) {
        const QString text = QString::fromUtf8(table.readLine()).chopped(1);
        const QStringList field = text.split(QLatin1Char('\t'));
        ++line;
        QCOMPARE(field.size(), 8);
        QList<QDate> expected;
        for (const QString &date : field.at(7).split(QLatin1Char(','), Qt::SkipEmptyParts))
            expected.append(QDate::fromString(date, Qt::ISODate));
        QTest::addRow("line %d: %s", line, qPrintable(text.section(QLatin1Char('\t'), 0, 6)))
            << makeSchedule(field.at(0), field.at(1).toInt(), field.at(2).toInt(),
                            field.at(3).toInt(), field.at(4),
                            QDate::fromString(field.at(5), Qt::ISODate),
                            QDate::fromString(field.at(6), Qt::ISODate))
            << expected;
    }
    QVERIFY(line > 200);
}

void TestScheduleKinds::dueDatesMatchTheReferenceTable()
{
    QFETCH(BillSchedule, schedule);
    QFETCH(QList<QDate>, expected);
    QCOMPARE(schedule.dueDates(), expected);
}

void TestScheduleKinds::limitKeepsTheEarliestDates()
{
    QFETCH(BillSchedule, schedule);
    QFETCH(QList<QDate>, expected);
    QCOMPARE(schedule.dueDates(0), QList<QDate>());
    QCOMPARE(schedule.dueDates(3), expected.mid(0, 3));
    // A range of decades, of which a preview wants the first few.
    if (expected.size() >= 2) {
        schedule.setRangeEndDate(schedule.rangeEndDate().addYears(30));
        QCOMPARE(schedule.dueDates(2), expected.mid(0, 2));
    }
}

void TestScheduleKinds::endDateAfterGivesExactlyThatManyDates()
{
    QFETCH(BillSchedule, schedule);
    QFETCH(QList<QDate>, expected);
    if (expected.isEmpty() || schedule.rangeEndDate() < schedule.rangeStartDate())
        return;
    const QDate lastRuleDate = schedule.ruleDates().constLast();
    schedule.setRangeEndDate(schedule.endDateAfter(expected.size()));
    QCOMPARE(schedule.rangeEndDate(), lastRuleDate);
    QCOMPARE(schedule.dueDates(), expected);
}

void TestScheduleKinds::endDateAfterGivesNoEnd_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("dayOfWeek");
    QTest::addColumn<int>("dayOfMonth");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("occurrences");

    // What the reference table cannot hold: counts and rules that give no end at all.
    QTest::newRow("no occurrence") << "NWEEKLY" << 1 << 0 << 1 << 0;
    QTest::newRow("fields out of range") << "NMONTHLY" << 0 << 15 << 0 << 5;
    QTest::newRow("does not recur") << "SINGLE" << 1 << 1 << 1 << 5;
    QTest::newRow("beyond the calendar")
        << "NMONTHLY" << 0 << 1 << 24 << std::numeric_limits<int>::max();
}

void TestScheduleKinds::endDateAfterGivesNoEnd()
{
    QFETCH(QString, kind);
    QFETCH(int, dayOfWeek);
    QFETCH(int, dayOfMonth);
    QFETCH(int, frequency);
    QFETCH(int, occurrences);
    const QDate monday(2026, 5, 18);
    QVERIFY(!makeSchedule(kind, dayOfWeek, dayOfMonth, frequency, BillSchedule::afterWeekend,
                          monday, monday)
                 .endDateAfter(occurrences)
                 .isValid());
}

NV_TEST_MAIN(TestScheduleKinds)
#include "tst_schedulekinds.moc"
