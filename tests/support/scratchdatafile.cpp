#include "scratchdatafile.h"

#include "connections.h"

ScratchDataFile::ScratchDataFile(const QString &fileName)
    : isOpen(file.open(dir.filePath(fileName)))
{
}

ScratchDataFile::~ScratchDataFile()
{
    Connections::close(Connections::current());
}
