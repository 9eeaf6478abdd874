#pragma once

#include "datafile.h"

#include <QHash>
#include <QList>

// The payees in the order a person scans a list of them: by name regardless of case, payees
// of the same name by id. Hash order changes from run to run and helps nobody find a payee.
QList<DataFile::PayeePtr> payeesByName(const QHash<int, DataFile::PayeePtr> &payees);
