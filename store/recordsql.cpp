#include "recordsql.h"

#include "connections.h"
#include "logging.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringView>

#include <cmath>
#include <memory>

namespace {
// Compiled writes of one connection, kept while a Transaction is open on it.
struct ReusedStatements
{
    int depth = 0;
    QHash<QString, std::shared_ptr<QSqlQuery>> queries;
};

QHash<QString, ReusedStatements> &reusedStatements()
{
    static QHash<QString, ReusedStatements> statements;
    return statements;
}

// The number in count ASCII digits of text from position from; -1 when one is not a digit.
int asciiNumber(QStringView text, qsizetype from, qsizetype count)
{
    int number = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        number = number * 10 + (c - u'0');
    }
    return number;
}

// "yyyy-MM-dd" exactly, the way dates are bound; anything else is left to QVariant.
bool isPlainIsoDate(QStringView text, int *year, int *month, int *day)
{
    if (text.size() < 10 || text.at(4) != u'-' || text.at(7) != u'-')
        return false;
    *year = asciiNumber(text, 0, 4);
    *month = asciiNumber(text, 5, 2);
    *day = asciiNumber(text, 8, 2);
    return *year > 0 && *month >= 0 && *day >= 0;
}

// "yyyy-MM-ddTHH:mm:ss" with or without ".zzz", a time of day as QTime takes it.
bool isPlainIsoDateTime(QStringView text, QDate *date, QTime *time)
{
    if ((text.size() != 19 && text.size() != 23) || text.at(10) != u'T' || text.at(13) != u':' ||
        text.at(16) != u':' || (text.size() == 23 && text.at(19) != u'.'))
        return false;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!isPlainIsoDate(text, &year, &month, &day))
        return false;
    const int hour = asciiNumber(text, 11, 2);
    const int minute = asciiNumber(text, 14, 2);
    const int second = asciiNumber(text, 17, 2);
    const int msec = text.size() == 23 ? asciiNumber(text, 20, 3) : 0;
    // Hour 24 and leap seconds have their own meaning to the ISO reader.
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0)
        return false;
    *date = QDate(year, month, day);
    *time = QTime(hour, minute, second, msec);
    return date->isValid();
}
QString &lastFailure()
{
    static QString text;
    return text;
}

void logFailure(const QSqlQuery &query, const QString &statement)
{
    lastFailure() = query.lastError().text();
    qCWarning(lcStore).noquote() << "SQL statement failed:" << statement << "-" << lastFailure();
}
} // namespace

ColumnReader::ColumnReader(const QSqlQuery &query, const char *const *names, int count)
    : m_query(&query)
{
    const QSqlRecord layout = query.record();
    m_positions.reserve(count);
    for (int i = 0; i < count; ++i)
        m_positions.append(layout.indexOf(QLatin1String(names[i])));
}

ColumnReader::ColumnReader(const QSqlRecord &record, const char *const *names, int count)
    : m_record(&record)
{
    m_positions.reserve(count);
    for (int i = 0; i < count; ++i)
        m_positions.append(record.indexOf(QLatin1String(names[i])));
}

QVariant ColumnReader::value(int index) const
{
    const int position = m_positions.value(index, -1);
    if (position < 0)
        return QVariant();
    return m_query ? m_query->value(position) : m_record->value(position);
}

namespace RecordSql {

QSqlQuery currentQuery()
{
    return QSqlQuery(Connections::database(Connections::current()));
}

bool prepare(QSqlQuery &query, const QString &statement)
{
    if (query.prepare(statement))
        return true;
    logFailure(query, statement);
    return false;
}

QSqlQuery *prepareWrite(QSqlQuery &fresh, const QString &connectionName, const QString &statement)
{
    const QSqlDatabase db = Connections::database(connectionName);
    const auto reuse = reusedStatements().find(connectionName);
    if (reuse == reusedStatements().end() || reuse->depth == 0) {
        fresh = QSqlQuery(db);
        return prepare(fresh, statement) ? &fresh : nullptr;
    }
    const auto cached = reuse->queries.constFind(statement);
    if (cached != reuse->queries.constEnd() && (*cached)->driver() == db.driver())
        return cached->get();
    auto query = std::make_shared<QSqlQuery>(db);
    if (!prepare(*query, statement))
        return nullptr;
    reuse->queries.insert(statement, query);
    return query.get();
}

void beginStatementReuse(const QString &connectionName)
{
    ++reusedStatements()[connectionName].depth;
}

void endStatementReuse(const QString &connectionName)
{
    const auto reuse = reusedStatements().find(connectionName);
    if (reuse != reusedStatements().end() && --reuse->depth <= 0)
        reusedStatements().erase(reuse);
}

void dropReusedStatements(const QString &connectionName)
{
    const auto reuse = reusedStatements().find(connectionName);
    if (reuse != reusedStatements().end())
        reuse->queries.clear();
}

bool exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    logFailure(query, query.lastQuery());
    return false;
}

bool readToTheEnd(const QSqlQuery &query)
{
    if (query.lastError().type() == QSqlError::NoError)
        return true;
    logFailure(query, query.lastQuery());
    return false;
}

bool run(const QString &connectionName, const QString &statement, QString *errorText)
{
    QSqlQuery query(Connections::database(connectionName));
    const bool ok = query.exec(statement);
    if (!ok)
        logFailure(query, statement);
    if (errorText)
        *errorText = ok ? QString() : query.lastError().text();
    return ok;
}

QSqlRecord selectById(const QString &connectionName, const QString &statement,
                      const QString &placeholder, int id, bool *found)
{
    QSqlQuery query(Connections::database(connectionName));
    bool hasRow = false;
    if (prepare(query, statement)) {
        query.bindValue(placeholder, id);
        hasRow = exec(query) && query.next();
    }
    const QSqlRecord row = query.record();
    query.finish();
    if (found)
        *found = hasRow;
    return row;
}

std::optional<QSqlRecord> findRow(const QString &connectionName, const QString &statement,
                                  const QString &placeholder, int id, const QString &what)
{
    QSqlQuery query(Connections::database(connectionName));
    if (!prepare(query, statement))
        return std::nullopt;
    query.bindValue(placeholder, id);
    if (!exec(query))
        return std::nullopt;
    if (!query.next()) {
        if (query.lastError().type() != QSqlError::NoError)
            logFailure(query, statement);
        else
            lastFailure() = QStringLiteral("The file has no %1 with the id %2.").arg(what).arg(id);
        return std::nullopt;
    }
    QSqlRecord row = query.record();
    query.finish();
    return row;
}

QString lastErrorText()
{
    return lastFailure();
}

void setLastErrorText(const QString &text)
{
    lastFailure() = text;
}

QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(value);
}

QVariant flag(bool value)
{
    return QVariant(value ? 1 : 0);
}

QVariant date(const QDate &value)
{
    if (!value.isValid() || value.year() < 1 || value.year() > 9999)
        return QVariant(value);
    int year = 0;
    int month = 0;
    int day = 0;
    value.getDate(&year, &month, &day);
    const char16_t text[10] = {char16_t(u'0' + year / 1000),
                               char16_t(u'0' + year / 100 % 10),
                               char16_t(u'0' + year / 10 % 10),
                               char16_t(u'0' + year % 10),
                               u'-',
                               char16_t(u'0' + month / 10),
                               char16_t(u'0' + month % 10),
                               u'-',
                               char16_t(u'0' + day / 10),
                               char16_t(u'0' + day % 10)};
    return QVariant(QString(reinterpret_cast<const QChar *>(text), 10));
}

int intValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::LongLong)
        return int(*static_cast<const qlonglong *>(value.constData()));
    return value.toInt();
}

double doubleValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double)
        return *static_cast<const double *>(value.constData());
    if (value.typeId() == QMetaType::LongLong)
        return double(*static_cast<const qlonglong *>(value.constData()));
    return value.toDouble();
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
        return std::isfinite(*static_cast<const double *>(value.constData()));
    case QMetaType::LongLong:
    case QMetaType::Int:
        return true;
    case QMetaType::QString: {
        // The text reader takes "nan" and "inf" as well; no sum of money is either.
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        return ok && std::isfinite(number);
    }
    default:
        return false;
    }
}

bool boolValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::LongLong)
        return *static_cast<const qlonglong *>(value.constData()) != 0;
    return value.toBool();
}

QDate dateValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString &text = *static_cast<const QString *>(value.constData());
        int year = 0;
        int month = 0;
        int day = 0;
        if (text.size() == 10 && isPlainIsoDate(text, &year, &month, &day))
            return QDate(year, month, day);
    }
    return value.toDate();
}

bool isPlainDate(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return false;
    const QString &text = *static_cast<const QString *>(value.constData());
    int year = 0;
    int month = 0;
    int day = 0;
    return text.size() == 10 && isPlainIsoDate(text, &year, &month, &day);
}

QDateTime dateTimeValue(const QVariant &value)
{
    QDate date;
    QTime time;
    if (plainLocalDateTime(value, &date, &time))
        return QDateTime(date, time);
    return value.toDateTime();
}

bool plainLocalDateTime(const QVariant &value, QDate *date, QTime *time)
{
    return value.typeId() == QMetaType::QString &&
           isPlainIsoDateTime(*static_cast<const QString *>(value.constData()), date, time);
}

} // namespace RecordSql
