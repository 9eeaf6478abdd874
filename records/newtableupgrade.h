#pragma once

#include <QString>

#include <functional>

// The upgrade steps of a table that only the current layout has: every older file gains it
// empty.
namespace NewTableUpgrade {

// currentLayout for the current version, "none" for a known older one, and empty (no layout)
// for any other version.
QString layoutColumns(const QString &version, const QString &currentLayout);
// Creates the table in the pass from 1.2 on; files of 1.0 and 1.1 come up in two passes, and
// the first leaves it to the second. A table of that name that is already there is set aside
// as any table is.
bool prepare(const QString &version, const QString &layout,
             const std::function<bool()> &createTable);

} // namespace NewTableUpgrade
