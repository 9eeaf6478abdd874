#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QSqlDatabase;

// Brings an open SQLite file of an older version to the current version, all or nothing.
//
// Before the first step the file is copied beside itself as NAME.vVERSION.bak (NAME.vVERSION.1.bak
// and so on when such a copy exists already). The passes then run inside one transaction:
// every table's layout is checked against the file's version, then upgradePrepare for every
// table, upgradeCopy for every table and upgradeDrop for every table, in the order given. While
// the version read afterwards is an older known version, the passes run again from there, so
// one run takes a "1.1" file through "1.2" to the current version. The run succeeds when every
// table then matches the current layout and the file reads the current version. Anything else
// rolls back, and the backup is copied over the file so that it is byte for byte what it was;
// the backup stays where it is either way.
//
// A file that already reads the current version is only checked, and a file of a version the
// tables know no way forward from (or whose tables do not have that version's layout) is only
// refused: neither is copied or changed.
//
// The runner closes and reopens the connection (to copy the file and to put it back), so no
// QSqlDatabase handle, query or transaction may be held on it across run(). The caller tells
// the user the outcome.
class UpgradeRunner
{
public:
    // The upgrade operations of one record class, each given the version being upgraded from.
    struct Table
    {
        QString name; // for the log
        std::function<bool(const QString &version)> layoutMatches;
        std::function<bool(const QString &version)> upgradePrepare;
        std::function<bool(const QString &version)> upgradeCopy;
        std::function<bool(const QString &version)> upgradeDrop;
    };

    struct Outcome
    {
        bool succeeded = false;
        QString version;       // what the file reads after the run
        QString backupPath;    // empty when no copy could be taken (then nothing was changed)
        bool restored = false; // a failed run put the copy back over the file
    };

    // The version a store is brought to, and the older ones whose layouts its tables know.
    struct Versions
    {
        QString current;
        QStringList older;

        bool isKnownOlder(const QString &version) const { return older.contains(version); }
        // A version number after current; a text that is no number is not newer.
        bool isNewer(const QString &version) const;
    };
    // Data files: every older version up to "1.5" is brought to currentVersion().
    static Versions dataFileVersions();
    // system.db: "1.0" to "1.2" are brought to systemVersion().
    static Versions systemVersions();

    UpgradeRunner(const QString &connectionName, std::function<QString()> readVersion,
                  QList<Table> tables, Versions versions = dataFileVersions());

    Outcome run();

    // Runs the upgrade and tells the user its outcome, as both stores do; fileNoun is what the
    // user calls the file ("file", "system file"). True when the file now reads the current
    // version.
    bool runAndReport(const QString &fileNoun);
    // What the user is told after a run that did not succeed: only a copy that was really put
    // back is called a replacement; otherwise the text says whether the file is as it was, and
    // where the copy to recover from is.
    static QString failureText(const Outcome &outcome, const QString &fileNoun);

    // Versions compare as dotted numbers ("1.10" is after "1.4"). Texts that are not such
    // numbers (an empty version, for instance) compare as older than any number.
    static int compareVersions(const QString &left, const QString &right);
    // Those of data files.
    static bool isNewerThanCurrent(const QString &version);
    static bool isKnownOlder(const QString &version);

    // The first free backup name beside filePath for a file of that version.
    static QString backupPathFor(const QString &filePath, const QString &version);

    // False when the file behind the connection cannot be read as an SQLite database (a text
    // file, random bytes, a damaged file, a copy cut short). A zero-byte file is an empty
    // database and passes.
    static bool isReadableDatabase(const QString &connectionName);
    // False when the schema holds anything that runs by itself or stands in for a table: a
    // trigger or a view anywhere, one of ownTables as anything but a plain table, or one that
    // decides values of its own (see SchemaCheck::isPlain). This program creates none of
    // these, and a file that has them could act on its own rows the moment it is written to.
    static bool isInertSchema(const QString &connectionName, const QStringList &ownTables,
                              const QHash<QString, QString> &uniqueColumns = {});
    // Whether the last failed look at the connection's file failed because another program
    // holds it locked, rather than because it is not a database.
    static bool isLockedByAnother(const QString &connectionName);

private:
    // Whether the version is one the tables can be carried over from, as the file stands.
    bool canMigrate(const QString &version);
    bool takeBackup(const QString &version, QString *backupPath);
    bool migrate(const QString &version);
    bool runPasses(const QString &version);
    bool matchesCurrent();
    bool restore(const QString &backupPath);
    bool reopen();
    static bool isWhole(const QSqlDatabase &db);

    QString m_connectionName;
    QString m_filePath;
    std::function<QString()> m_readVersion;
    QList<Table> m_tables;
    Versions m_versions;
};
