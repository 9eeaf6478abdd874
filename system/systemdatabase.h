#pragma once

#include <QString>

// The program's own small store, system.db (where it lives: SystemLocation): it remembers the
// most recently used data file and carries its own schema version. Opening it creates a missing
// store, and upgrades an older one in place (a copy of the old file stays beside it, and a
// failed upgrade puts the old file back). All work goes through the connection "system",
// looked up by name.
class SystemDatabase
{
public:
    // Runs open() on the store at path, a relative path being taken in the working directory;
    // the result is not kept.
    explicit SystemDatabase(const QString &path = fileName());

    // Opens or creates system.db and brings it to the current version. False when the store
    // cannot be used as it is: it cannot be opened, is not a database, is of a newer version,
    // does not have the current layout or could not be upgraded.
    bool open();
    bool openConnection(const QString &fileName);
    // Creates the tables and the two rows of a new store.
    bool createFile();
    // Whether the recent files table has the layout of the store's version.
    bool isValid();
    // Upgrades an older store and tells the user the outcome; true when it now reads the
    // current version.
    bool upgrade();

    // The location kept in row 1, empty when there is none.
    QString recentFileLocation();
    // Writes the location into row 1; nothing is written when there is no row 1.
    bool setRecentFileLocation(const QString &path);

    static QString fileName() { return QStringLiteral("system.db"); }

    // Whether the connection "system" is open.
    static bool isConnectionOpen();
    // Whether it is open on a store of the current version, the only one whose tables are
    // written to.
    static bool isCurrentStore();

private:
    bool openExisting();
    bool createNew();

    QString m_path;
};
