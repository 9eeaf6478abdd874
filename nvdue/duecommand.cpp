#include "duecommand.h"

#include "bill.h"
#include "clock.h"
#include "commandopen.h"
#include "connections.h"
#include "datafile.h"
#include "duebills.h"
#include "exportfiles.h"
#include "formatting.h"
#include "messagehelper.h"
#include "notification.h"
#include "payee.h"
#include "systemdatabase.h"
#include "systemrecentfiles.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
// The data file the system store remembers as the one used last, read without changing the
// store: a store of another version is simply not understood.
QString recentFile(const QString &systemPath)
{
    const QString path = systemPath.isEmpty()
                             ? QDir::current().absoluteFilePath(SystemDatabase::fileName())
                             : QFileInfo(systemPath).absoluteFilePath();
    if (!QFileInfo(path).isFile()) {
        printError(QStringLiteral("No data file was given, and there is no system file %1 that "
                                  "remembers one.")
                       .arg(QDir::toNativeSeparators(path)));
        return QString();
    }
    QString location;
    if (Connections::open(Connections::system(), path, true))
        location = SystemRecentFiles::findById(1).recentFileLocation();
    Connections::close(Connections::system());
    if (location.isEmpty())
        printError(QStringLiteral("No data file was given, and the system file %1 remembers none.")
                       .arg(QDir::toNativeSeparators(path)));
    return location;
}

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString countText(qsizetype count, const QString &what)
{
    return QStringLiteral("%1 %2 %3")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("bill") : QStringLiteral("bills"), what);
}

// "2 bills overdue, 1 due this week — $162.20", and the first few bills below it.
bool notify(const QList<DueBill> &due, int days)
{
    qsizetype overdue = 0;
    double total = 0.0;
    bool estimated = false;
    for (const DueBill &bill : due) {
        overdue += bill.days < 0 ? 1 : 0;
        total += bill.bill->balance();
        estimated |= bill.bill->isEstimate();
    }
    const qsizetype soon = due.size() - overdue;
    const QString period = days == 7 ? QStringLiteral("due this week")
                                     : QStringLiteral("due within %1 days").arg(days);
    QStringList parts;
    if (overdue > 0)
        parts.append(countText(overdue, QStringLiteral("overdue")));
    if (soon > 0)
        parts.append(overdue > 0 ? QStringLiteral("%1 %2").arg(soon).arg(period)
                                 : countText(soon, period));
    const QString summary = parts.join(QStringLiteral(", ")) + QString::fromUtf8(" — ") +
                            Formatting::currency(total, estimated);
    const int shown = 5;
    // One line per bill, as in the text output.
    const int width = 40;
    QStringList lines;
    for (const DueBill &bill : due.mid(0, shown))
        lines.append(QStringLiteral("%1: %2, %3, %4")
                         .arg(Formatting::shortLine(bill.bill->payeeName(), width),
                              Formatting::shortLine(bill.bill->description(), width),
                              Formatting::currency(bill.bill->balance(), bill.bill->isEstimate()),
                              DueBills::reminderText(bill.days)));
    if (due.size() > shown)
        lines.append(QStringLiteral("and %1 more").arg(due.size() - shown));
    QString error;
    if (sendDesktopNotification(summary, lines.join(QLatin1Char('\n')), &error))
        return true;
    printError(
        QStringLiteral("Cannot show a desktop notification (%1); printing instead.").arg(error));
    return false;
}

QByteArray document(const QString &format, const QList<DueBill> &bills, const QString &path)
{
    if (format == QLatin1String("csv"))
        return DueBills::csvDocument(bills);
    if (format == QLatin1String("json"))
        return DueBills::jsonDocument(bills);
    if (format == QLatin1String("ics"))
        return DueBills::icsDocument(bills, path, Clock::now());
    return DueBills::textDocument(bills);
}
} // namespace

void printError(const QString &text)
{
    MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(), text);
}

int runDueCommand(const DueOptions &options)
{
    const QString path = options.file.isEmpty() ? recentFile(options.systemPath) : options.file;
    if (path.isEmpty())
        return FileUnreadable;
    DataFile file(nullptr);
    const QString problem = openForCommand(file, path, CommandAccess::ReadAsIs);
    if (!problem.isEmpty()) {
        printError(problem);
        return FileUnreadable;
    }
    if (!file.loadCurrentBills()) {
        printError(QDir::toNativeSeparators(path) +
                   QStringLiteral(": the bills could not be read: ") + DataFile::lastErrorText());
        return FileUnreadable;
    }
    const QDate today = options.today.isValid() ? options.today : Clock::today();
    const QList<DueBill> due = DueBills::select(file.billList(), today, options.days);
    int status = NothingDue;
    if (!due.isEmpty())
        status = due.constFirst().days < 0 ? SomethingOverdue : SomethingDueSoon;

    if (options.notify) {
        if (due.isEmpty() || notify(due, options.days))
            return status;
        writeOut(DueBills::textDocument(due));
        return status;
    }
    const QList<DueBill> listed =
        options.all ? DueBills::select(file.billList(), today, options.days, true) : due;
    writeOut(document(options.format, listed, file.path()));
    return status;
}
