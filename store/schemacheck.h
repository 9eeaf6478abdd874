#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Whether the tables of an SQLite file leave every value to what this program writes. A table
// can compute a column (generated columns), rewrite or drop rows on a write (conflict clauses,
// foreign-key actions), fill in what a statement leaves out (default expressions) or refuse
// rows by rules of its own (CHECK, UNIQUE, a collation): a file whose tables do any of this
// decides what is stored, and is refused before anything is written to it.
//
// What the file says about a table is read through SQLite's own description of it (its
// columns, indexes and foreign keys); only what SQLite does not describe is looked for in the
// table's statement, and any mention of it refuses the table.
class SchemaCheck
{
public:
    // True when every table of the file named in tables (in any case) has nothing of the kind:
    // no generated or hidden column, no foreign key, no UNIQUE constraint or unique index, no
    // CHECK, COLLATE, conflict clause, descending or AUTOINCREMENT key, WITHOUT ROWID or STRICT,
    // and no default but a plain value. Keys and NOT NULL are allowed here, as every version of
    // our own tables has some; which ones is for matchesDeclarations().
    // uniqueColumns names, by lower-case table name, the one column of a table that our own
    // statement declares UNIQUE: a plain UNIQUE of that column (no conflict clause) is allowed.
    static bool isPlain(const QString &connectionName, const QStringList &tables,
                        const QHash<QString, QString> &uniqueColumns = {});

    // True when every table that one of the statements creates has, in the file (if it is
    // there), the keys, NOT NULL constraints, defaults and type affinities of its statement on
    // the columns the statement declares, the same row id, and none of these on any column
    // of its own. The statements are run on a private in-memory database, never on the file.
    static bool matchesDeclarations(const QString &connectionName,
                                    const QStringList &createStatements);

    // The affinity SQLite gives a column of the declared type: "INTEGER", "TEXT", "BLOB",
    // "REAL" or "NUMERIC".
    static QString affinity(const QString &declaredType);
};
