#pragma once

#include "headerrecord.h"

// The header row of a data file (table filedata): the owner's texts and the file's schema
// version. Works on the connection of the open data file. A new record's texts are empty.
//
// readVersion looks at the legacy table reg as well. A "1.0" file has no filedata table but
// that legacy header: the upgrade copy writes the new header row from it and drops reg, in one
// transaction.
class FileData final : public HeaderRecordOf<FileData>
{
public:
    using HeaderRecordOf::HeaderRecordOf;

private:
    friend class HeaderRecordOf<FileData>;
    static const HeaderTable headerTable;
};
