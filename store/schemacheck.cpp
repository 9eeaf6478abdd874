#include "schemacheck.h"

#include "connections.h"
#include "logging.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

#include <optional>

namespace {
// What a table's statement may hold that SQLite's description of the table does not show.
const QStringList &wordsNoDescriptionShows()
{
    static const QStringList words = {QStringLiteral("CHECK"),         QStringLiteral("COLLATE"),
                                      QStringLiteral("CONFLICT"),      QStringLiteral("DESC"),
                                      QStringLiteral("AUTOINCREMENT"), QStringLiteral("WITHOUT"),
                                      QStringLiteral("STRICT")};
    return words;
}

// Where the quoted part that starts at from (a string, a quoted name or a comment) ends, or
// from itself when nothing quoted starts there.
qsizetype skipQuoted(const QString &sql, qsizetype from)
{
    const QChar c = sql.at(from);
    const QStringView rest = QStringView(sql).mid(from);
    if (rest.startsWith(u"--")) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), from);
        return end < 0 ? sql.size() : end + 1;
    }
    if (rest.startsWith(u"/*")) {
        const qsizetype end = sql.indexOf(QLatin1String("*/"), from + 2);
        return end < 0 ? sql.size() : end + 2;
    }
    QChar close;
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
        close = c;
    else if (c == QLatin1Char('['))
        close = QLatin1Char(']');
    else
        return from;
    // A doubled quote stands for itself and the quoted part goes on.
    qsizetype end = sql.indexOf(close, from + 1);
    while (end >= 0 && close != QLatin1Char(']') && end + 1 < sql.size() &&
           sql.at(end + 1) == close)
        end = sql.indexOf(close, end + 2);
    return end < 0 ? sql.size() : end + 1;
}

// The first of those words that the statement holds outside its strings, quoted names and
// comments: a word in quotes is always a name, never the keyword.
std::optional<QString> wordNoDescriptionShows(const QString &sql)
{
    const auto isWordChar = [](QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
    };
    qsizetype i = 0;
    while (i < sql.size()) {
        const qsizetype afterQuoted = skipQuoted(sql, i);
        if (afterQuoted != i) {
            i = afterQuoted;
            continue;
        }
        if (!isWordChar(sql.at(i))) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < sql.size() && isWordChar(sql.at(end)))
            ++end;
        const QString word = sql.mid(i, end - i).toUpper();
        if (wordsNoDescriptionShows().contains(word))
            return word;
        i = end;
    }
    return std::nullopt;
}

// A default that is a value as it stands (a number, a text, a blob, NULL), rather than an
// expression worked out on every insert.
bool isPlainValue(const QString &defaultText)
{
    static const QRegularExpression value(
        QStringLiteral("^('([^']|'')*'|[xX]'[0-9a-fA-F]*'|[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)"
                       "([eE][+-]?[0-9]+)?|[+-]?0[xX][0-9a-fA-F]+|(?i:null|true|false))$"));
    return value.match(defaultText.trimmed()).hasMatch();
}

// One column as SQLite describes it.
struct Column
{
    QString type;
    bool notNull = false;
    QVariant defaultValue;
    int keyPosition = 0; // 0 when the column is not part of the primary key
    int hidden = 0;      // 1 hidden, 2 and 3 generated
};

using Columns = QHash<QString, Column>; // by lower-case name

std::optional<Columns> describeColumns(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk, hidden "
                                      "FROM pragma_table_xinfo(:table)")))
        return std::nullopt;
    query.bindValue(QStringLiteral(":table"), table);
    if (!query.exec())
        return std::nullopt;
    Columns columns;
    while (query.next()) {
        columns.insert(query.value(0).toString().toLower(),
                       Column{query.value(1).toString(), query.value(2).toInt() != 0,
                              query.value(3), query.value(4).toInt(), query.value(5).toInt()});
    }
    if (query.lastError().type() != QSqlError::NoError)
        return std::nullopt;
    return columns;
}

// The count of rows of a statement about the table, or -1 when it cannot be run.
int countAbout(const QSqlDatabase &db, const QString &statement, const QString &table)
{
    QSqlQuery query(db);
    if (!query.prepare(statement))
        return -1;
    query.bindValue(QStringLiteral(":table"), table);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

bool columnsArePlain(const Columns &columns)
{
    for (const Column &column : columns) {
        if (column.hidden != 0)
            return false;
        if (!column.defaultValue.isNull() && !isPlainValue(column.defaultValue.toString()))
            return false;
    }
    return true;
}

// The unique indexes of the table besides its key, less the one a UNIQUE of uniqueColumn (our
// own declaration, when not empty) gives: that one only refuses a second row of the same value.
int uniqueIndexes(const QSqlDatabase &db, const QString &table, const QString &uniqueColumn)
{
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral(
            "SELECT COUNT(*) FROM pragma_index_list(:table) AS list WHERE list.\"unique\" AND "
            "list.origin <> 'pk' AND NOT (list.origin = 'u' AND :column <> '' AND (SELECT "
            "COUNT(*) FROM pragma_index_info(list.name)) = 1 AND (SELECT info.name FROM "
            "pragma_index_info(list.name) AS info) = :column COLLATE NOCASE)")))
        return -1;
    query.bindValue(QStringLiteral(":table"), table);
    query.bindValue(QStringLiteral(":column"), uniqueColumn);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

bool isPlainTable(const QSqlDatabase &db, const QString &table, const QString &sql,
                  const QString &uniqueColumn)
{
    if (const std::optional<QString> word = wordNoDescriptionShows(sql)) {
        qCWarning(lcUpgrade).noquote() << "The table" << table << "holds" << *word;
        return false;
    }
    const std::optional<Columns> columns = describeColumns(db, table);
    if (!columns || !columnsArePlain(*columns)) {
        qCWarning(lcUpgrade).noquote()
            << "The table" << table
            << "has a generated or hidden column or a default that is worked out";
        return false;
    }
    // Unique indexes other than the primary key's come from UNIQUE or CREATE UNIQUE INDEX.
    const int uniques = uniqueIndexes(db, table, uniqueColumn);
    const int foreignKeys = countAbout(
        db, QStringLiteral("SELECT COUNT(*) FROM pragma_foreign_key_list(:table)"), table);
    if (uniques != 0 || foreignKeys != 0) {
        qCWarning(lcUpgrade).noquote()
            << "The table" << table << "has a unique index or a foreign key";
        return false;
    }
    return true;
}

// The tables of the file named in names, each with its statement, by their name in the file.
std::optional<QList<QPair<QString, QString>>> tablesNamed(const QSqlDatabase &db,
                                                          const QStringList &names)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table'")))
        return std::nullopt;
    QList<QPair<QString, QString>> tables;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (names.contains(name, Qt::CaseInsensitive))
            tables.append({name, query.value(1).toString()});
    }
    if (query.lastError().type() != QSqlError::NoError)
        return std::nullopt;
    return tables;
}

// Whether the column is the table's row id: the one column of the key, declared INTEGER.
bool isRowId(const Columns &columns, const Column &column)
{
    int keyColumns = 0;
    for (const Column &other : columns)
        keyColumns += other.keyPosition > 0 ? 1 : 0;
    return keyColumns == 1 && column.keyPosition == 1 &&
           column.type.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
}

bool sameDeclaration(const Columns &declared, const Columns &found)
{
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        const Column &column = it.value();
        const auto ours = declared.constFind(it.key());
        if (ours == declared.cend()) {
            // A column of the file's own may be there, as long as it decides nothing.
            if (column.notNull || column.keyPosition != 0)
                return false;
            continue;
        }
        if (column.notNull != ours->notNull || column.keyPosition != ours->keyPosition ||
            column.defaultValue.isNull() != ours->defaultValue.isNull() ||
            column.defaultValue.toString() != ours->defaultValue.toString() ||
            SchemaCheck::affinity(column.type) != SchemaCheck::affinity(ours->type) ||
            isRowId(found, column) != isRowId(declared, *ours))
            return false;
    }
    return true;
}

std::optional<QHash<QString, Columns>> runAndDescribe(const QSqlDatabase &db,
                                                      const QStringList &createStatements)
{
    for (const QString &statement : createStatements) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            return std::nullopt;
    }
    QHash<QString, Columns> tables;
    const QStringList names = db.tables();
    for (const QString &name : names) {
        const std::optional<Columns> columns = describeColumns(db, name);
        if (!columns)
            return std::nullopt;
        tables.insert(name.toLower(), *columns);
    }
    return tables;
}

// The columns of every table the statements create, by lower-case table name.
std::optional<QHash<QString, Columns>> declaredTables(const QStringList &createStatements)
{
    const QString reference = QStringLiteral("nv_declared_layout");
    if (!Connections::open(reference, QStringLiteral(":memory:")))
        return std::nullopt;
    const auto tables = runAndDescribe(Connections::database(reference), createStatements);
    Connections::close(reference);
    return tables;
}
} // namespace

bool SchemaCheck::isPlain(const QString &connectionName, const QStringList &tables,
                          const QHash<QString, QString> &uniqueColumns)
{
    const QSqlDatabase db = Connections::database(connectionName);
    const auto named = tablesNamed(db, tables);
    if (!named)
        return false;
    for (const auto &[name, sql] : *named) {
        if (!isPlainTable(db, name, sql, uniqueColumns.value(name.toLower())))
            return false;
    }
    return true;
}

bool SchemaCheck::matchesDeclarations(const QString &connectionName,
                                      const QStringList &createStatements)
{
    const std::optional<QHash<QString, Columns>> declared = declaredTables(createStatements);
    if (!declared) {
        qCWarning(lcUpgrade) << "The tables of this program could not be described";
        return false;
    }
    const QSqlDatabase db = Connections::database(connectionName);
    const auto named = tablesNamed(db, declared->keys());
    if (!named)
        return false;
    for (const auto &[name, sql] : *named) {
        const std::optional<Columns> found = describeColumns(db, name);
        if (!found || !sameDeclaration(declared->value(name.toLower()), *found)) {
            qCWarning(lcUpgrade).noquote()
                << "The table" << name << "does not declare its columns as this program does";
            return false;
        }
    }
    return true;
}

QString SchemaCheck::affinity(const QString &declaredType)
{
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT")))
        return QStringLiteral("INTEGER");
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT")))
        return QStringLiteral("TEXT");
    if (type.contains(QLatin1String("BLOB")) || type.trimmed().isEmpty())
        return QStringLiteral("BLOB");
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")))
        return QStringLiteral("REAL");
    return QStringLiteral("NUMERIC");
}
