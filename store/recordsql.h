#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <optional>

class QSqlQuery;

// The values of a row by column position, the positions found by name once. A query read
// through it hands over each value without a copy of its row or a search for the name; a
// single record reads as QSqlRecord::value() reads it. A column the row does not have reads as
// an invalid value.
class ColumnReader
{
public:
    // The row the query is on, whichever that is when value() is called.
    ColumnReader(const QSqlQuery &query, const char *const *names, int count);
    ColumnReader(const QSqlRecord &record, const char *const *names, int count);

    // The value of the column that is the index-th of the names.
    QVariant value(int index) const;

private:
    const QSqlQuery *m_query = nullptr;
    const QSqlRecord *m_record = nullptr;
    QList<int> m_positions;
};

// Checked steps of the program's SQL, shared by the record classes and the two store
// managers. Every step returns whether it succeeded and logs a failure with the statement
// and the database's own error text.
namespace RecordSql {

// A query on the data file connection "current".
QSqlQuery currentQuery();

bool prepare(QSqlQuery &query, const QString &statement);
// The same for a statement that writes, returning the query to bind and run, or null when
// the statement does not compile. While a Transaction is open on the connection the statement
// is compiled once and that query handed out again to every later write of the same text,
// which saves most of the cost of writing many rows; otherwise fresh is prepared and returned.
// The query must be run to its end before the next use (a write always is).
QSqlQuery *prepareWrite(QSqlQuery &fresh, const QString &connectionName, const QString &statement);
// Called by Transaction as it opens and ends, and by Connections::close: compiled writes
// are kept from the outermost opening to its end, and never past the connection's life.
void beginStatementReuse(const QString &connectionName);
void endStatementReuse(const QString &connectionName);
void dropReusedStatements(const QString &connectionName);
// Runs a prepared query.
bool exec(QSqlQuery &query);
// After the last next(): true when the rows ended, false (with the error kept) when a read
// error ended them. next() says false for both, and a read cut short must not pass for a
// whole one: with only some payments read, a paid bill would be written back unpaid.
bool readToTheEnd(const QSqlQuery &query);
// Runs a statement that takes no values on the named connection; errorText, when given,
// receives the error (empty on success).
bool run(const QString &connectionName, const QString &statement, QString *errorText = nullptr);

// Runs a SELECT of one row by its id and returns the row once the statement is finished, so
// that the caller may write while it fills a record from it. Without a row the result holds
// no values (the record then reads as an empty one); found, when given, tells which.
QSqlRecord selectById(const QString &connectionName, const QString &statement,
                      const QString &placeholder, int id, bool *found = nullptr);

// The same for a record that is looked up to be used or written: the row, or nothing when
// there is no such row or it could not be read. Either way the last error text then says
// why, naming the record as what ("bill").
std::optional<QSqlRecord> findRow(const QString &connectionName, const QString &statement,
                                  const QString &placeholder, int id, const QString &what);

// The database's error text of the most recent failed step, so that a dialog can tell the
// user why a save did not happen. Empty until something fails.
QString lastErrorText();
void setLastErrorText(const QString &text);

// Text columns are written as an empty string rather than NULL, which a NOT NULL column
// would reject and which older readers of the file do not expect.
QVariant text(const QString &value);

// Flags are stored as the integers 0 and 1.
QVariant flag(bool value);

// A date to bind: the same "yyyy-MM-dd" text the driver would write for the QDate (and the
// QDate itself where the driver does something else: NULL for a null date, for instance),
// formatted without the general formatter, which is most of the cost of writing a bill.
QVariant date(const QDate &value);

// Column values as the records read them: exactly what QVariant's own toInt(), toDouble(),
// toBool(), toDate() and toDateTime() give, reached without the general conversion for the
// forms this file holds (whole numbers, doubles and ISO date texts). A load of ten thousand
// bills converts a hundred thousand values.
int intValue(const QVariant &value);
double doubleValue(const QVariant &value);
// Whether the value is a finite number (or a text that is one in full), rather than something
// that doubleValue() would only turn into 0, or an infinity or NaN that no amount can be.
bool isNumber(const QVariant &value);
bool boolValue(const QVariant &value);
QDate dateValue(const QVariant &value);
// Whether the value is a "yyyy-MM-dd" text of ASCII digits with a year from 1, as dates are
// bound: such texts sort as text in the order of their dates.
bool isPlainDate(const QVariant &value);
QDateTime dateTimeValue(const QVariant &value);
// The date and time of day of a plain ISO text without zone ("yyyy-MM-ddTHH:mm:ss" with or
// without ".zzz"), from which dateTimeValue() would make QDateTime(date, time). False for any
// other value, which only dateTimeValue() reads. Making a local QDateTime costs a look at
// the system's time zone, which a caller that may never need the moment can put off.
bool plainLocalDateTime(const QVariant &value, QDate *date, QTime *time);

} // namespace RecordSql
