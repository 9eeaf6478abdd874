#pragma once

#include <QString>
#include <QStringList>

// The data files used last, newest first, kept as rows 1 to maximumCount of system.db's
// recentfiles table. Row 1 stays what it always was, the file opened at the next start, so
// nvdue and an older program still find it there; the rows after it are the files used before
// it. A store of another version is neither read nor written, and one without row 1 is left
// as it is. Works on the connection "system".
class SystemRecentList
{
public:
    static constexpr int maximumCount = 5;

    // The stored locations in order, without empty rows or repeats.
    static QStringList locations();
    // Puts path first and the others after it in their order, dropping the oldest beyond
    // maximumCount; all rows or none are written. False when nothing could be stored.
    static bool add(const QString &path);

private:
    static bool writeRows(const QStringList &locations);
};
