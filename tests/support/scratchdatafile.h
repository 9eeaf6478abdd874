#pragma once

#include "datafile.h"

#include <QString>
#include <QTemporaryDir>

// A new data file in a folder of its own, open through a DataFile as the window opens one;
// its connection is closed and the folder removed when the object goes.
struct ScratchDataFile
{
    explicit ScratchDataFile(const QString &fileName = QStringLiteral("bills.nvbf"));
    ~ScratchDataFile();

    ScratchDataFile(const ScratchDataFile &) = delete;
    ScratchDataFile &operator=(const ScratchDataFile &) = delete;

    QTemporaryDir dir;
    DataFile file{nullptr};
    bool isOpen = false;
};
