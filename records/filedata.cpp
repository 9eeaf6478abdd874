#include "filedata.h"

#include "connections.h"

const HeaderTable FileData::headerTable = {
    "FileData",                                    // recordName
    &Connections::current,                         // connectionName
    &currentVersion,                               // currentVersion
    "filedata",                                    // table
    ":filedataid",                                 // idPlaceholder
    "reg",                                         // olderHeader
    "filedata,firstname,lastname,address,version", // layout11
    true,                                          // version10HasHeader
    true,                                          // olderRowsHaveTexts
    true,                                          // textsStartEmpty
    false,                                         // logsSaves
};
