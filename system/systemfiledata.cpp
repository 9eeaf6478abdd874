#include "systemfiledata.h"

#include "connections.h"

const HeaderTable SystemFileData::headerTable = {
    "SystemFileData",     // recordName
    &Connections::system, // connectionName
    &systemVersion,       // currentVersion
    "systemfiledata",     // table
    ":id",                // idPlaceholder
    "filedata",           // olderHeader
    "filedata,version",   // layout11
    false,                // version10HasHeader
    false,                // olderRowsHaveTexts
    false,                // textsStartEmpty
    true,                 // logsSaves
};
