#pragma once

#include <QString>
#include <QVariant>

class QSqlQuery;

// Small helpers shared by the record classes of the data file.
namespace RecordSql {

// A query on the data file connection "current".
QSqlQuery currentQuery();

// Prepares statement on query; a failure is logged with the database's error text.
bool prepare(QSqlQuery &query, const QString &statement);

// Text columns are written as an empty string rather than NULL, which a NOT NULL column
// would reject and which older readers of the file do not expect.
QVariant text(const QString &value);

// Flags are stored as the integers 0 and 1.
QVariant flag(bool value);

} // namespace RecordSql
