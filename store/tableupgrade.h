#pragma once

#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// The shared steps that rebuild one table of an older file in the current layout. Each record
// class describes its table with a layout text per version: "name,column,column,...", where
// the name "none" means that the version has no such table. The class's own upgrade
// operations hand that text, its rename statement, its createTable and a per-row copy to
// these helpers.
//
// Between prepare() and drop() the old table lives on as name + "temp", next to an id map
// name + "link" (id of the new row, old id) and the new table. Every helper runs on the named
// connection, checks each statement, logs a failure with the database's error text and
// returns false at the first one; the caller runs all steps inside one transaction and rolls
// back on false.
class TableUpgrade
{
public:
    // Layout texts are split at "," with empty items kept; the first item is the table name,
    // the second the old id column.
    static QStringList splitLayout(const QString &layout);
    static QString tableName(const QString &layout);
    static QString oldIdColumn(const QString &layout);
    static bool isAbsent(const QString &layout);
    static QString tempTable(const QString &layout);
    static QString linkTable(const QString &layout);

    // True when the table exists with every column the layout lists (extra columns do not
    // matter; an item listed twice must be found twice), or when the layout is "none". A
    // layout of an unknown version (empty text) never matches.
    static bool layoutMatches(const QString &connectionName, const QString &layout);

    // Unless the layout is "none": runs renamePrefix + tempTable(layout) (for instance
    // "ALTER TABLE bills RENAME TO " gives "ALTER TABLE bills RENAME TO billstemp") and creates
    // the link table. Then, in every case, createTable. When statementErrors is given it
    // receives the error text of the rename and of the link creation (empty when they
    // succeeded), for tables that log them.
    static bool prepare(const QString &connectionName, const QString &layout,
                        const QString &renamePrefix, const std::function<bool()> &createTable,
                        QStringList *statementErrors = nullptr);

    // Hands every row of the set-aside table, in the order SQLite returns them, to copyRow,
    // which writes it into the new table (and whatever else it needs) and returns whether that
    // worked. Stops at the first false. Does nothing for "none".
    using RowCopy = std::function<bool(const QSqlRecord &row)>;
    static bool copy(const QString &connectionName, const QString &layout, const RowCopy &copyRow);

    // The same for the rows of any SELECT on the connection, for instance the rows of the
    // set-aside table that a whole-table statement could not carry over; a failed row is
    // logged under tableName.
    static bool copySelected(const QString &connectionName, const QString &tableName,
                             const QString &statement, const RowCopy &copyRow);

    // Whole-table copies. A statement that copies every row at once must store exactly what
    // the record classes' own conversion stores, row by row. It does so for the rows whose
    // values are in the plain forms below, which read and write back unchanged; every other row
    // (a text amount, a date in another form, a text that is not plain ASCII...) still goes
    // through the record's conversion. plainRows() wraps a condition built from these for use
    // in WHERE (never NULL).
    static QString plainRows(const QString &condition);
    // An integer that fits an int.
    static QString plainInt(const QString &column);
    // 0 or 1.
    static QString plainFlag(const QString &column);
    // NULL (which reads as an empty text) or a text of printable and blank ASCII characters.
    static QString plainText(const QString &column);
    // A finite real, or an integer that a double holds exactly.
    static QString plainAmount(const QString &column);
    // A valid "yyyy-MM-dd" date.
    static QString plainDate(const QString &column);
    // A "yyyy-MM-ddTHH:mm:ss.zzz" moment, as moments are written, between 1971 and 2037 and not
    // in a gap of the local clock (where reading it would move it).
    static QString plainMoment(const QString &column);
    // Whether the expression, a date text, begins a day that has a local midnight in the
    // years where the clocks of this machine are known to both readers.
    static QString hasLocalMidnight(const QString &dayExpression);
    // Sorts the rows of table once, in the order the table is read, into the work table
    // temp.nvrows: nvposition (from 1), nvrowid and nvother, which is 1 for a row the condition
    // leaves to the record's conversion. sortedRows() joins them as "nv" to the table as "old";
    // dropSortedRows() removes the work table again.
    static bool sortRows(const QString &connectionName, const QString &table,
                         const QString &condition);
    static QString sortedRows(const QString &table);
    static bool dropSortedRows(const QString &connectionName);
    // A current-layout table copied in two ways: its rows sorted by plain, then each statement
    // of plainCopies (an INSERT ... SELECT ending in "FROM ") run on the plain rows, and every
    // other row handed to convertOther in table order; the work table is dropped in the end.
    static bool copyPlainAndOthers(const QString &connectionName, const QString &table,
                                   const QString &plain, const QStringList &plainCopies,
                                   const RowCopy &convertOther);
    // Row-by-row copies of every row, for a check that the whole-table statements store what
    // the records' own conversion stores. On unless turned off.
    static void setWholeTableCopies(bool on);

    // Drops the temp and link tables; does nothing for "none".
    static bool drop(const QString &connectionName, const QString &layout);

    // Records in the link table that the old row with oldId became the new row newId.
    static bool addLink(const QString &connectionName, const QString &layout, int newId, int oldId);
    // The new id recorded for oldId in the link table, 0 when there is none. ok, when given,
    // tells a missing row (true) from a statement that failed (false).
    static int linkedId(const QString &connectionName, const QString &layout, int oldId,
                        bool *ok = nullptr);

    // The version in the header table that comes first in the connection's table list among
    // headerTables; empty when none of them exists, it has no row or it cannot be read.
    static QString readVersion(const QString &connectionName, const QStringList &headerTables);

    // A column of an old row; a column the row does not have reads as an invalid value, or as
    // an empty (not null) text.
    static QVariant columnValue(const QSqlRecord &row, const QString &column);
    static QString columnText(const QSqlRecord &row, const QString &column);
};
