#include "tableupgrade.h"

#include "connections.h"
#include "logging.h"
#include "recordsql.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// Number of times the columns of the record match the listed items, counting an item once
// for each column of that name.
int matchingColumns(const QSqlRecord &record, const QStringList &items)
{
    int matches = 0;
    for (int i = 0; i < record.count(); ++i) {
        for (int item = 1; item < items.size(); ++item) {
            if (record.fieldName(i) == items.at(item))
                ++matches;
        }
    }
    return matches;
}

bool &wholeTableCopies()
{
    static bool on = true;
    return on;
}
} // namespace

QStringList TableUpgrade::splitLayout(const QString &layout)
{
    return layout.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString TableUpgrade::tableName(const QString &layout)
{
    return splitLayout(layout).constFirst();
}

QString TableUpgrade::oldIdColumn(const QString &layout)
{
    return splitLayout(layout).value(1);
}

bool TableUpgrade::isAbsent(const QString &layout)
{
    return tableName(layout) == QLatin1String("none");
}

QString TableUpgrade::tempTable(const QString &layout)
{
    return tableName(layout) + QLatin1String("temp");
}

QString TableUpgrade::linkTable(const QString &layout)
{
    return tableName(layout) + QLatin1String("link");
}

bool TableUpgrade::layoutMatches(const QString &connectionName, const QString &layout)
{
    const QStringList items = splitLayout(layout);
    const QString name = items.constFirst();
    if (name == QLatin1String("none"))
        return true;

    QSqlDatabase db = Connections::database(connectionName);
    int counter = 0;
    const QStringList tables = db.tables(QSql::Tables);
    for (const QString &table : tables) {
        if (table != name)
            continue;
        QSqlQuery query(db);
        const QString statement =
            QStringLiteral("select * from ") + name + QStringLiteral(" LIMIT 0, 0");
        if (!RecordSql::prepare(query, statement) || !RecordSql::exec(query))
            return false;
        ++counter;
        counter += matchingColumns(query.record(), items);
    }
    return counter == items.size();
}

bool TableUpgrade::prepare(const QString &connectionName, const QString &layout,
                           const QString &renamePrefix, const std::function<bool()> &createTable,
                           QStringList *statementErrors)
{
    if (!isAbsent(layout)) {
        QString renameError;
        const bool renamed =
            RecordSql::run(connectionName, renamePrefix + tempTable(layout), &renameError);
        if (statementErrors)
            statementErrors->append(renameError);
        if (!renamed)
            return false;

        QString linkError;
        const bool linked = RecordSql::run(connectionName,
                                           QStringLiteral("CREATE TABLE ") + linkTable(layout) +
                                               QStringLiteral("(id INTEGER, oldid INTEGER);"),
                                           &linkError);
        if (statementErrors)
            statementErrors->append(linkError);
        if (!linked)
            return false;
    }
    return createTable();
}

bool TableUpgrade::copy(const QString &connectionName, const QString &layout,
                        const RowCopy &copyRow)
{
    if (isAbsent(layout))
        return true;
    return copySelected(connectionName, tempTable(layout),
                        QStringLiteral("SELECT * FROM ") + tempTable(layout), copyRow);
}

bool TableUpgrade::copySelected(const QString &connectionName, const QString &tableName,
                                const QString &statement, const RowCopy &copyRow)
{
    // All rows are read before the first is written, so that no read is still running on
    // the connection while the copy writes and the caller may roll back. They are kept as
    // bare values, a fraction of the size of a record per row; each is handed over in one
    // record of the table's layout.
    QSqlRecord row;
    QList<QVariantList> rows;
    {
        QSqlQuery query(Connections::database(connectionName));
        query.setForwardOnly(true);
        if (!RecordSql::prepare(query, statement) || !RecordSql::exec(query))
            return false;
        row = query.record();
        while (query.next()) {
            QVariantList values;
            values.reserve(row.count());
            for (int column = 0; column < row.count(); ++column)
                values.append(query.value(column));
            rows.append(std::move(values));
        }
        if (!RecordSql::readToTheEnd(query))
            return false;
    }
    for (QVariantList &values : rows) {
        for (int column = 0; column < row.count(); ++column)
            row.setValue(column, values.at(column));
        values.clear();
        if (!copyRow(row)) {
            qCWarning(lcUpgrade).noquote() << "Copying a row of" << tableName << "failed";
            return false;
        }
    }
    return true;
}

QString TableUpgrade::plainRows(const QString &condition)
{
    if (!wholeTableCopies())
        return QStringLiteral("0");
    return QStringLiteral("COALESCE((") + condition + QStringLiteral("), 0)");
}

QString TableUpgrade::plainInt(const QString &column)
{
    return QStringLiteral("(typeof(%1) = 'integer' AND %1 BETWEEN -2147483648 AND 2147483647)")
        .arg(column);
}

QString TableUpgrade::plainFlag(const QString &column)
{
    return QStringLiteral("(typeof(%1) = 'integer' AND %1 IN (0, 1))").arg(column);
}

QString TableUpgrade::plainText(const QString &column)
{
    // length() counts characters up to the first NUL and a blob's bytes: equal only for one
    // byte per character and no NUL. Bytes past 0x7f, which may not even be UTF-8 and would
    // not come back as they are, then still read as characters the class excludes.
    return QStringLiteral("(%1 IS NULL OR (typeof(%1) = 'text' AND length(%1) = "
                          "length(CAST(%1 AS BLOB)) AND %1 NOT GLOB '*[^' || char(1) || '-' || "
                          "char(127) || ']*'))")
        .arg(column);
}

QString TableUpgrade::plainAmount(const QString &column)
{
    return QStringLiteral("((typeof(%1) = 'real' AND %1 BETWEEN -1.7976931348623157e308 AND "
                          "1.7976931348623157e308) OR (typeof(%1) = 'integer' AND %1 BETWEEN "
                          "-9007199254740992 AND 9007199254740992))")
        .arg(column);
}

QString TableUpgrade::plainDate(const QString &column)
{
    // The year is compared as text: compared with the column itself, '0001' would take the
    // column's numeric affinity and every text would pass.
    return QStringLiteral("(typeof(%1) = 'text' AND length(%1) = 10 AND substr(%1, 1, 4) >= '0001' "
                          "AND date(%1) IS %1)")
        .arg(column);
}

QString TableUpgrade::plainMoment(const QString &column)
{
    // As in plainDate(), the year is compared as text; compared with a DATETIME column, '1971'
    // and '2038' would be numbers, which every text sorts after, and no row would pass.
    return QStringLiteral("(typeof(%1) = 'text' AND length(%1) = 23 AND substr(%1, 1, 4) BETWEEN "
                          "'1971' AND '2037' AND strftime('%Y-%m-%dT%H:%M:%f', %1) IS %1 AND "
                          "datetime(%1, 'utc', 'localtime') IS datetime(%1))")
        .arg(column);
}

QString TableUpgrade::hasLocalMidnight(const QString &dayExpression)
{
    return QStringLiteral("((%1) BETWEEN '1971' AND '2038' AND datetime((%1) || ' 00:00:00', "
                          "'utc', 'localtime') IS (%1) || ' 00:00:00')")
        .arg(dayExpression);
}

bool TableUpgrade::sortRows(const QString &connectionName, const QString &table,
                            const QString &condition)
{
    // The conditions cost more than the copy itself: they are worked out once per row here.
    return dropSortedRows(connectionName) &&
           RecordSql::run(
               connectionName,
               QStringLiteral("CREATE TEMP TABLE nvrows (nvposition INTEGER PRIMARY KEY, "
                              "nvrowid INTEGER, nvother INTEGER)")) &&
           RecordSql::run(connectionName,
                          QStringLiteral("INSERT INTO temp.nvrows (nvrowid, nvother) SELECT rowid, "
                                         "NOT ") +
                              plainRows(condition) + QStringLiteral(" FROM ") + table +
                              QStringLiteral(" ORDER BY rowid"));
}

QString TableUpgrade::sortedRows(const QString &table)
{
    return QStringLiteral("temp.nvrows AS nv JOIN ") + table +
           QStringLiteral(" AS old ON old.rowid = nv.nvrowid");
}

bool TableUpgrade::dropSortedRows(const QString &connectionName)
{
    return RecordSql::run(connectionName, QStringLiteral("DROP TABLE IF EXISTS temp.nvrows"));
}

bool TableUpgrade::copyPlainAndOthers(const QString &connectionName, const QString &table,
                                      const QString &plain, const QStringList &plainCopies,
                                      const RowCopy &convertOther)
{
    bool copied = sortRows(connectionName, table, plain);
    for (const QString &copy : plainCopies)
        copied = copied &&
                 RecordSql::run(connectionName,
                                copy + sortedRows(table) + QStringLiteral(" WHERE NOT nv.nvother"));
    copied = copied && copySelected(connectionName, table,
                                    QStringLiteral("SELECT old.* FROM ") + sortedRows(table) +
                                        QStringLiteral(" WHERE nv.nvother"),
                                    convertOther);
    return dropSortedRows(connectionName) && copied;
}

void TableUpgrade::setWholeTableCopies(bool on)
{
    wholeTableCopies() = on;
}

bool TableUpgrade::drop(const QString &connectionName, const QString &layout)
{
    if (isAbsent(layout))
        return true;
    return RecordSql::run(connectionName, QStringLiteral("DROP TABLE ") + tempTable(layout)) &&
           RecordSql::run(connectionName, QStringLiteral("DROP TABLE ") + linkTable(layout));
}

bool TableUpgrade::addLink(const QString &connectionName, const QString &layout, int newId,
                           int oldId)
{
    QSqlQuery fresh;
    QSqlQuery *query =
        RecordSql::prepareWrite(fresh, connectionName,
                                QStringLiteral("INSERT INTO ") + linkTable(layout) +
                                    QStringLiteral("(id, oldid) VALUES (:id, :oldid);"));
    if (!query)
        return false;
    query->bindValue(QStringLiteral(":id"), newId);
    query->bindValue(QStringLiteral(":oldid"), oldId);
    return RecordSql::exec(*query);
}

int TableUpgrade::linkedId(const QString &connectionName, const QString &layout, int oldId,
                           bool *ok)
{
    if (ok)
        *ok = false;
    QSqlQuery query(Connections::database(connectionName));
    if (!RecordSql::prepare(query, QStringLiteral("SELECT * FROM ") + linkTable(layout) +
                                       QStringLiteral(" WHERE oldid = :oldid")))
        return 0;
    query.bindValue(QStringLiteral(":oldid"), oldId);
    if (!RecordSql::exec(query))
        return 0;
    if (ok)
        *ok = true;
    return query.next() ? query.value(QStringLiteral("id")).toInt() : 0;
}

QString TableUpgrade::readVersion(const QString &connectionName, const QStringList &headerTables)
{
    QSqlDatabase db = Connections::database(connectionName);
    const QStringList tables = db.tables(QSql::Tables);
    for (const QString &table : tables) {
        if (!headerTables.contains(table, Qt::CaseSensitive))
            continue;
        QSqlQuery query(db);
        const QString statement =
            QStringLiteral("SELECT version FROM ") + table + QStringLiteral(";");
        if (!RecordSql::prepare(query, statement) || !RecordSql::exec(query))
            return QString();
        return query.next() ? query.value(0).toString() : QString();
    }
    return QString();
}

QVariant TableUpgrade::columnValue(const QSqlRecord &row, const QString &column)
{
    const int index = row.indexOf(column);
    return index < 0 ? QVariant() : row.value(index);
}

QString TableUpgrade::columnText(const QSqlRecord &row, const QString &column)
{
    const int index = row.indexOf(column);
    return index < 0 ? QStringLiteral("") : row.value(index).toString();
}
