#include "duebills.h"

#include "activedomainobject.h"
#include "bill.h"
#include "exportfiles.h"
#include "formatting.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {
const QString isoDate = QStringLiteral("yyyy-MM-dd");
// A name of a megabyte would otherwise pad every line of the text output to its length.
constexpr int textColumnWidth = 40;

QString machineStatus(int days)
{
    if (days < 0)
        return QStringLiteral("overdue");
    return days == 0 ? QStringLiteral("today") : QStringLiteral("upcoming");
}

QString icsText(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(','))
            escaped += QLatin1Char('\\') + QString(c);
        else if (c == QLatin1Char('\r') && i + 1 < value.size() && value.at(i + 1) == '\n')
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\n");
        else if (c.category() == QChar::Other_Control)
            escaped += QLatin1Char(' ');
        else
            escaped += c;
    }
    return escaped;
}

// A content line folded at 75 octets, never inside a UTF-8 sequence; each continuation
// starts with a space, which counts towards its 75.
QByteArray foldedLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    QByteArray folded;
    int start = 0;
    int limit = 75;
    while (bytes.size() - start > limit) {
        int end = start + limit;
        while (end > start && (uchar(bytes.at(end)) & 0xC0) == 0x80)
            --end;
        folded += bytes.mid(start, end - start) + "\r\n ";
        start = end;
        limit = 74;
    }
    return folded + bytes.mid(start) + "\r\n";
}

// The part of every event's UID that names the data file.
QString fileKey(const QString &dataFilePath)
{
    const QByteArray file = QFileInfo(dataFilePath).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(file, QCryptographicHash::Sha1).toHex();
    return QString::fromLatin1(digest.left(16));
}

QString eventUid(const Bill &bill, const QString &fileKey)
{
    return QStringLiteral("bill-%1-%2@norvo-rava-rodozod").arg(bill.id()).arg(fileKey);
}

QString icsDate(const QDate &day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
}

// One all-day event. Its end, the next day, is left out when that day has no four-digit year
// (after a bill due 9999-12-31): an all-day event without one lasts its one day all the same.
QStringList eventLines(const Bill &bill, const QString &uid, const QString &stamp)
{
    const bool estimate = bill.isEstimate();
    const QString summary =
        bill.payeeName() + QStringLiteral(": ") + bill.description() + QStringLiteral(" (") +
        Formatting::roundedCurrency(bill.balance(), estimate) + QLatin1Char(')');
    const QString description =
        QStringLiteral("Amount %1, balance %2")
            .arg(Formatting::roundedCurrency(bill.expectedAmount(), estimate),
                 Formatting::roundedCurrency(bill.balance(), estimate));
    QStringList lines{QStringLiteral("BEGIN:VEVENT"), QStringLiteral("UID:") + uid,
                      QStringLiteral("DTSTAMP:") + stamp,
                      QStringLiteral("DTSTART;VALUE=DATE:") + icsDate(bill.dueDate())};
    const QDate end = bill.dueDate().addDays(1);
    if (end.year() <= 9999)
        lines.append(QStringLiteral("DTEND;VALUE=DATE:") + icsDate(end));
    return lines + QStringList{QStringLiteral("SUMMARY:") + icsText(summary),
                               QStringLiteral("DESCRIPTION:") + icsText(description),
                               QStringLiteral("BEGIN:VALARM"),
                               QStringLiteral("ACTION:DISPLAY"),
                               QStringLiteral("DESCRIPTION:") + icsText(summary),
                               QStringLiteral("TRIGGER:-P1D"),
                               QStringLiteral("END:VALARM"),
                               QStringLiteral("END:VEVENT")};
}

} // namespace

namespace DueBills {

QList<DueBill> select(const QList<std::shared_ptr<Bill>> &unpaidBills, const QDate &today, int days,
                      bool all)
{
    const QDate last = today.addDays(days);
    QList<DueBill> due;
    for (const std::shared_ptr<Bill> &bill : unpaidBills) {
        if (!bill || bill->isPaid() || bill->isDeleted() || !bill->dueDate().isValid())
            continue;
        if (!all && bill->dueDate() > last)
            continue;
        due.append(DueBill{bill, int(today.daysTo(bill->dueDate()))});
    }
    const auto earlier = [](const DueBill &a, const DueBill &b) {
        if (a.bill->dueDate() != b.bill->dueDate())
            return a.bill->dueDate() < b.bill->dueDate();
        return a.bill->id() < b.bill->id();
    };
    // A loaded list comes in this order already; checking that costs one pass, sorting many.
    if (!std::is_sorted(due.cbegin(), due.cend(), earlier))
        std::stable_sort(due.begin(), due.end(), earlier);
    return due;
}

QString reminderText(int days)
{
    if (days == 0)
        return QStringLiteral("due today");
    if (days < 0)
        return days == -1 ? QStringLiteral("1 day overdue")
                          : QStringLiteral("%1 days overdue").arg(-days);
    return days == 1 ? QStringLiteral("due in 1 day") : QStringLiteral("due in %1 days").arg(days);
}

QString statusText(int days)
{
    if (days == 0)
        return QStringLiteral("TODAY");
    if (days < 0)
        return QStringLiteral("OVERDUE %1d").arg(-days);
    return QStringLiteral("in %1d").arg(days);
}

QByteArray textDocument(const QList<DueBill> &bills)
{
    QList<QStringList> rows;
    double total = 0.0;
    bool estimated = false;
    for (const DueBill &due : bills) {
        rows.append({due.bill->dueDate().toString(isoDate), statusText(due.days),
                     Formatting::shortLine(due.bill->payeeName(), textColumnWidth),
                     Formatting::shortLine(due.bill->description(), textColumnWidth),
                     Formatting::roundedCurrency(due.bill->balance(), due.bill->isEstimate())});
        total += due.bill->balance();
        estimated |= due.bill->isEstimate();
    }
    QList<qsizetype> widths(5, 0);
    for (const QStringList &row : std::as_const(rows)) {
        for (int column = 0; column < 5; ++column)
            widths[column] = qMax(widths.at(column), row.at(column).size());
    }
    QString text;
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (int column = 0; column < 4; ++column)
            line += row.at(column).leftJustified(widths.at(column)) + QStringLiteral("  ");
        line += row.at(4).rightJustified(widths.at(4));
        text += line + QLatin1Char('\n');
    }
    text += QStringLiteral("%1 %2, total %3\n")
                .arg(bills.size())
                .arg(bills.size() == 1 ? QStringLiteral("bill") : QStringLiteral("bills"))
                .arg(Formatting::roundedCurrency(total, estimated));
    return text.toUtf8();
}

QByteArray csvDocument(const QList<DueBill> &bills)
{
    QList<QStringList> rows;
    rows.reserve(bills.size());
    for (const DueBill &due : bills) {
        const Bill &bill = *due.bill;
        rows.append({QString::number(bill.id()), ExportFiles::csvDate(bill.dueDate()),
                     bill.payeeName(), bill.description(),
                     Formatting::plainAmount(bill.expectedAmount()),
                     Formatting::plainAmount(bill.balance()), machineStatus(due.days),
                     QString::number(due.days), ExportFiles::csvBool(bill.isEstimate())});
    }
    using ExportFiles::CsvKind;
    return ExportFiles::csvDocument({{QStringLiteral("id"), CsvKind::Value},
                                     {QStringLiteral("due_date"), CsvKind::Value},
                                     {QStringLiteral("payee"), CsvKind::Text},
                                     {QStringLiteral("description"), CsvKind::Text},
                                     {QStringLiteral("amount"), CsvKind::Value},
                                     {QStringLiteral("balance"), CsvKind::Value},
                                     {QStringLiteral("status"), CsvKind::Text},
                                     {QStringLiteral("days"), CsvKind::Value},
                                     {QStringLiteral("estimate"), CsvKind::Value}},
                                    rows);
}

QByteArray jsonDocument(const QList<DueBill> &bills)
{
    QJsonArray array;
    for (const DueBill &due : bills) {
        const Bill &bill = *due.bill;
        array.append(QJsonObject{
            {QStringLiteral("id"), bill.id()},
            {QStringLiteral("due_date"), bill.dueDate().toString(isoDate)},
            {QStringLiteral("payee"), bill.payeeName()},
            {QStringLiteral("description"), bill.description()},
            {QStringLiteral("amount"), Formatting::roundedToCents(bill.expectedAmount())},
            {QStringLiteral("balance"), Formatting::roundedToCents(bill.balance())},
            {QStringLiteral("status"), machineStatus(due.days)},
            {QStringLiteral("days"), due.days},
            {QStringLiteral("estimate"), bill.isEstimate()}});
    }
    return Formatting::escapedJsonControls(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

QByteArray icsDocument(const QList<DueBill> &bills, const QString &dataFilePath,
                       const QDateTime &stamp)
{
    const QString stampText = stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QByteArray ics = foldedLine(QStringLiteral("BEGIN:VCALENDAR")) +
                     foldedLine(QStringLiteral("VERSION:2.0")) +
                     foldedLine(QStringLiteral("PRODID:-//Norvo Rava Rodozod//Bills Due ") +
                                currentVersion() + QStringLiteral("//EN")) +
                     foldedLine(QStringLiteral("CALSCALE:GREGORIAN"));
    const QString key = fileKey(dataFilePath);
    for (const DueBill &due : bills) {
        const QStringList lines = eventLines(*due.bill, eventUid(*due.bill, key), stampText);
        for (const QString &line : lines)
            ics += foldedLine(line);
    }
    return ics + foldedLine(QStringLiteral("END:VCALENDAR"));
}

} // namespace DueBills
