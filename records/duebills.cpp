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

// Whole cents, and never "-0.00".
double cents(double value)
{
    return std::round(value * 100.0) / 100.0 + 0.0;
}

QString plainAmount(double value)
{
    return QString::number(cents(value), 'f', 2);
}

QString machineStatus(int days)
{
    if (days < 0)
        return QStringLiteral("overdue");
    return days == 0 ? QStringLiteral("today") : QStringLiteral("upcoming");
}

// Stored texts may hold tabs and line breaks, which would break a line of the text output.
QString oneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return line;
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

QString eventUid(const Bill &bill, const QString &dataFilePath)
{
    const QByteArray file = QFileInfo(dataFilePath).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(file, QCryptographicHash::Sha1).toHex();
    return QStringLiteral("bill-%1-%2@norvo-rava-rodozod")
        .arg(bill.id())
        .arg(QString::fromLatin1(digest.left(16)));
}

QString icsDate(const QDate &day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
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
    std::stable_sort(due.begin(), due.end(), [](const DueBill &a, const DueBill &b) {
        if (a.bill->dueDate() != b.bill->dueDate())
            return a.bill->dueDate() < b.bill->dueDate();
        return a.bill->id() < b.bill->id();
    });
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
    for (const DueBill &due : bills) {
        rows.append({due.bill->dueDate().toString(isoDate), statusText(due.days),
                     oneLine(due.bill->payee().payeeName()), oneLine(due.bill->description()),
                     Formatting::currency(cents(due.bill->balance()))});
        total += due.bill->balance();
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
                .arg(Formatting::currency(cents(total)));
    return text.toUtf8();
}

QByteArray csvDocument(const QList<DueBill> &bills)
{
    QList<QStringList> rows;
    rows.reserve(bills.size());
    for (const DueBill &due : bills) {
        const Bill &bill = *due.bill;
        rows.append({QString::number(bill.id()), bill.dueDate().toString(isoDate),
                     bill.payee().payeeName(), bill.description(), plainAmount(bill.amount()),
                     plainAmount(bill.balance()), machineStatus(due.days),
                     QString::number(due.days)});
    }
    return ExportFiles::csvDocument({QStringLiteral("id"), QStringLiteral("due_date"),
                                     QStringLiteral("payee"), QStringLiteral("description"),
                                     QStringLiteral("amount"), QStringLiteral("balance"),
                                     QStringLiteral("status"), QStringLiteral("days")},
                                    rows);
}

QByteArray jsonDocument(const QList<DueBill> &bills)
{
    QJsonArray array;
    for (const DueBill &due : bills) {
        const Bill &bill = *due.bill;
        array.append(QJsonObject{{QStringLiteral("id"), bill.id()},
                                 {QStringLiteral("due_date"), bill.dueDate().toString(isoDate)},
                                 {QStringLiteral("payee"), bill.payee().payeeName()},
                                 {QStringLiteral("description"), bill.description()},
                                 {QStringLiteral("amount"), cents(bill.amount())},
                                 {QStringLiteral("balance"), cents(bill.balance())},
                                 {QStringLiteral("status"), machineStatus(due.days)},
                                 {QStringLiteral("days"), due.days}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
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
    for (const DueBill &due : bills) {
        const Bill &bill = *due.bill;
        const QString summary = bill.payee().payeeName() + QStringLiteral(": ") +
                                bill.description() + QStringLiteral(" (") +
                                Formatting::currency(cents(bill.balance())) + QLatin1Char(')');
        const QString description = QStringLiteral("Amount %1, balance %2")
                                        .arg(Formatting::currency(cents(bill.amount())),
                                             Formatting::currency(cents(bill.balance())));
        const QStringList lines{
            QStringLiteral("BEGIN:VEVENT"),
            QStringLiteral("UID:") + eventUid(bill, dataFilePath),
            QStringLiteral("DTSTAMP:") + stampText,
            QStringLiteral("DTSTART;VALUE=DATE:") + icsDate(bill.dueDate()),
            QStringLiteral("DTEND;VALUE=DATE:") + icsDate(bill.dueDate().addDays(1)),
            QStringLiteral("SUMMARY:") + icsText(summary),
            QStringLiteral("DESCRIPTION:") + icsText(description),
            QStringLiteral("BEGIN:VALARM"),
            QStringLiteral("ACTION:DISPLAY"),
            QStringLiteral("DESCRIPTION:") + icsText(summary),
            QStringLiteral("TRIGGER:-P1D"),
            QStringLiteral("END:VALARM"),
            QStringLiteral("END:VEVENT"),
        };
        for (const QString &line : lines)
            ics += foldedLine(line);
    }
    return ics + foldedLine(QStringLiteral("END:VCALENDAR"));
}

} // namespace DueBills
