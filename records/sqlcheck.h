#pragma once

#include <QString>

class QSqlQuery;

// Checked steps of a statement: each returns whether it succeeded and logs a failure with the
// statement and the database's own error text.
bool prepareLogged(QSqlQuery &query, const QString &statement);
bool execQueryLogged(QSqlQuery &query);
// Runs a statement that takes no values on the named connection; errorText, when given,
// receives the error (empty on success).
bool runLogged(const QString &connectionName, const QString &statement,
               QString *errorText = nullptr);
