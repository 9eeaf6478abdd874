#pragma once

#include "csvmapping.h"

#include <QString>
#include <QStringList>

#include <optional>

// The CSV mappings a person saved, one per bank, by name, in system.db's settings (key
// "csvmap/" and the name, a small JSON object as the value). Names are compared as Unicode
// composes them, so that two names that look the same are one mapping.
class SystemCsvMappings
{
public:
    // Stores the mapping under its name, replacing one of that name; false when the mapping
    // cannot be used, its name is blank or holds a control character, or the store refused.
    static bool save(const CsvMapping &mapping);
    // The mapping of that name; nothing when there is none, or when what is stored cannot be
    // read as a usable mapping (error then says why, and the stored value is left as it is).
    static std::optional<CsvMapping> load(const QString &name, QString *error = nullptr);
    // The names of the saved mappings, sorted.
    static QStringList names();
    static bool remove(const QString &name);

private:
    static QString key(const QString &name);
};
