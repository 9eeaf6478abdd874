#pragma once

#include <QString>
#include <QVariant>

class QSqlQuery;
class QSqlRecord;

// Checked steps of the program's SQL, shared by the record classes and the two store
// managers. Every step returns whether it succeeded and logs a failure with the statement
// and the database's own error text.
namespace RecordSql {

// A query on the data file connection "current".
QSqlQuery currentQuery();

bool prepare(QSqlQuery &query, const QString &statement);
// Runs a prepared query.
bool exec(QSqlQuery &query);
// Runs a statement that takes no values on the named connection; errorText, when given,
// receives the error (empty on success).
bool run(const QString &connectionName, const QString &statement, QString *errorText = nullptr);

// Runs a SELECT of one row by its id and returns the row once the statement is finished, so
// that the caller may write while it fills a record from it. Without a row the result holds
// no values (the record then reads as an empty one); found, when given, tells which.
QSqlRecord selectById(const QString &connectionName, const QString &statement,
                      const QString &placeholder, int id, bool *found = nullptr);

// The database's error text of the most recent failed step, so that a dialog can tell the
// user why a save did not happen. Empty until something fails.
QString lastErrorText();
void setLastErrorText(const QString &text);

// Text columns are written as an empty string rather than NULL, which a NOT NULL column
// would reject and which older readers of the file do not expect.
QVariant text(const QString &value);

// Flags are stored as the integers 0 and 1.
QVariant flag(bool value);

} // namespace RecordSql
