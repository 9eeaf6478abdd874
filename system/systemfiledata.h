#pragma once

#include "headerrecord.h"

// The header row of system.db (table systemfiledata), holding the store's schema version.
// Works on the connection of the system store. Unlike the data file's header, a new record's
// texts are null, so a record saved as it is writes NULL into them; and every save writes
// debug lines.
//
// readVersion looks at the old header table filedata as well, which a "1.1" store has in place
// of systemfiledata, with a version only.
class SystemFileData final : public HeaderRecordOf<SystemFileData>
{
public:
    using HeaderRecordOf::HeaderRecordOf;

private:
    friend class HeaderRecordOf<SystemFileData>;
    static const HeaderTable headerTable;
};
