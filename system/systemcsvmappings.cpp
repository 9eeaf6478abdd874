#include "systemcsvmappings.h"

#include "systemsettings.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString keyPrefix = QStringLiteral("csvmap/");

bool isUsableName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

QJsonObject toJson(const CsvMapping &mapping)
{
    return QJsonObject{{"dateColumn", mapping.dateColumn},
                       {"amountColumn", mapping.amountColumn},
                       {"debitColumn", mapping.debitColumn},
                       {"creditColumn", mapping.creditColumn},
                       {"nameColumn", mapping.nameColumn},
                       {"memoColumn", mapping.memoColumn},
                       {"dateFormat", mapping.dateFormat},
                       {"decimalComma", mapping.decimalComma},
                       {"skipRows", mapping.skipRows},
                       {"separator", QString(mapping.separator)},
                       {"paidDateColumn", mapping.paidDateColumn}};
}

bool readColumn(const QJsonValue &value, int *target)
{
    if (!value.isDouble() || value.toDouble() != value.toInt())
        return false;
    *target = value.toInt();
    return true;
}

// Every member must be there with its type; a value another program wrote differently is
// not guessed at.
bool fromJson(const QJsonObject &object, CsvMapping &mapping)
{
    const std::pair<const char *, int *> columns[] = {
        {"dateColumn", &mapping.dateColumn},   {"amountColumn", &mapping.amountColumn},
        {"debitColumn", &mapping.debitColumn}, {"creditColumn", &mapping.creditColumn},
        {"nameColumn", &mapping.nameColumn},   {"memoColumn", &mapping.memoColumn},
        {"skipRows", &mapping.skipRows}};
    for (const auto &[member, target] : columns)
        if (!readColumn(object.value(QLatin1String(member)), target))
            return false;
    // Mappings saved before bills could be imported have no paid date column.
    const QJsonValue paidDate = object.value(QLatin1String("paidDateColumn"));
    mapping.paidDateColumn = -1;
    if (!paidDate.isUndefined() && !readColumn(paidDate, &mapping.paidDateColumn))
        return false;
    const QJsonValue format = object.value(QLatin1String("dateFormat"));
    const QJsonValue comma = object.value(QLatin1String("decimalComma"));
    const QJsonValue separator = object.value(QLatin1String("separator"));
    if (!format.isString() || !comma.isBool() || !separator.isString() ||
        separator.toString().size() != 1)
        return false;
    mapping.dateFormat = format.toString();
    mapping.decimalComma = comma.toBool();
    mapping.separator = separator.toString().at(0);
    return true;
}

} // namespace

bool SystemCsvMappings::save(const CsvMapping &mapping)
{
    if (!isUsableName(mapping.name) || !mapping.problem().isEmpty())
        return false;
    const QByteArray json = QJsonDocument(toJson(mapping)).toJson(QJsonDocument::Compact);
    return SystemSettings::setValue(key(mapping.name), QString::fromUtf8(json));
}

std::optional<CsvMapping> SystemCsvMappings::load(const QString &name, QString *error)
{
    const QString stored = SystemSettings::value(key(name));
    if (stored.isEmpty())
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(stored.toUtf8());
    CsvMapping mapping;
    mapping.name = name.normalized(QString::NormalizationForm_C);
    if (!document.isObject() || !fromJson(document.object(), mapping)) {
        if (error)
            *error = QStringLiteral("The saved mapping \"%1\" cannot be read.").arg(name);
        return std::nullopt;
    }
    const QString problem = mapping.problem();
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return std::nullopt;
    }
    return mapping;
}

QStringList SystemCsvMappings::names()
{
    QStringList names;
    for (const QString &stored : SystemSettings::keys(keyPrefix))
        names.append(stored.mid(keyPrefix.size()));
    names.sort(Qt::CaseInsensitive);
    return names;
}

bool SystemCsvMappings::remove(const QString &name)
{
    return SystemSettings::remove(key(name));
}

QString SystemCsvMappings::key(const QString &name)
{
    return keyPrefix + name.normalized(QString::NormalizationForm_C);
}
