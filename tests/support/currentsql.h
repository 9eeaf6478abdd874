#pragma once

#include <QString>
#include <QVariant>

// Plain SQL on the open data file ("current"), for building test data and reading back what a
// command stored.
// Runs one statement; a failure is logged with the database's reason.
bool run(const QString &statement);
// First column of the first row, invalid when there is none or the query fails.
QVariant scalar(const QString &statement);
