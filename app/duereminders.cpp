#include "duereminders.h"

#include "clock.h"
#include "datafile.h"
#include "duebills.h"
#include "duebillswindow.h"
#include "exportfiles.h"
#include "filedialoghelper.h"
#include "messagehelper.h"
#include "remindersdialog.h"
#include "remindersettings.h"
#include "windowplacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("DueReminders", text);
}
} // namespace

DueReminders::DueReminders(DataFile *dataFile, QWidget *window, LoadBills loadUnpaid,
                           std::function<void()> paymentSaved)
    : m_dataFile(dataFile), m_window(window), m_loadUnpaid(std::move(loadUnpaid)),
      m_paymentSaved(std::move(paymentSaved))
{
}

// The reminder is a child of the window and would go with it; it goes first, while the data
// file it pays into is still there.
DueReminders::~DueReminders()
{
    delete m_dueBillsWindow;
}

void DueReminders::remind()
{
    const QString path = m_dataFile->path();
    const QDate today = Clock::today();
    if (path.isEmpty() || !ReminderSettings::enabled() || ReminderSettings::isPutOff(path, today)) {
        hide();
        return;
    }
    const QList<DueBill> due = DueBills::select(m_loadUnpaid(), today, ReminderSettings::days());
    if (due.isEmpty()) {
        hide();
        return;
    }
    if (!m_dueBillsWindow) {
        m_dueBillsWindow = new DueBillsWindow(m_dataFile, m_window);
        QObject::connect(m_dueBillsWindow, &DueBillsWindow::paymentSaved, m_dueBillsWindow,
                         [this] { m_paymentSaved(); });
    }
    m_dueBillsWindow->setBills(due);
    // Beside the main window, so that neither hides the other; one already up stays where
    // the user may have put it.
    if (!m_dueBillsWindow->isVisible())
        WindowPlacement::placeBeside(m_dueBillsWindow, m_window);
    m_dueBillsWindow->show();
    m_dueBillsWindow->raise();
    // It comes up to be read: with the keyboard, so that Enter pays and Escape puts it away.
    m_dueBillsWindow->activateWindow();
}

void DueReminders::update()
{
    if (isShowing())
        showDue(m_loadUnpaid());
}

void DueReminders::showDue(const Bills &unpaid)
{
    const QList<DueBill> due = DueBills::select(unpaid, Clock::today(), ReminderSettings::days());
    // Once everything due is paid there is nothing left to remind of.
    if (due.isEmpty())
        hide();
    else
        m_dueBillsWindow->setBills(due);
}

void DueReminders::hide()
{
    if (m_dueBillsWindow)
        m_dueBillsWindow->hide();
}

bool DueReminders::isShowing() const
{
    return m_dueBillsWindow && m_dueBillsWindow->isVisible();
}

bool DueReminders::editSettings()
{
    RemindersDialog dialog(m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!ReminderSettings::enabled())
        hide();
    return true;
}

// Every unpaid bill, written whole or not at all: a calendar program reading the file never
// sees half of it.
bool DueReminders::writeCalendar(const QString &path, const Bills &unpaid)
{
    const QByteArray document = DueBills::icsDocument(
        DueBills::select(unpaid, Clock::today(), 0, true), m_dataFile->path(), Clock::now());
    return ExportFiles::writeFileOrTell(path, document, m_window,
                                        tr("The calendar could not be written to"));
}

QString DueReminders::chooseCalendarPath() const
{
    QString path = FileDialogHelper::getSaveFileName(m_window, tr("Export Calendar"),
                                                     FileDialogHelper::startDirectory(),
                                                     tr("iCalendar (*.ics)"));
    if (path.isEmpty())
        return QString();
    if (!path.endsWith(QLatin1String(".ics"), Qt::CaseInsensitive))
        path += QLatin1String(".ics");
    return QFileInfo(path).absoluteFilePath();
}

// The file dialog cannot carry a check box, so whether the calendar is to follow the file is
// asked right after the file is chosen.
bool DueReminders::exportCalendar()
{
    const QString path = chooseCalendarPath();
    if (path.isEmpty())
        return false;
    const Bills unpaid = m_loadUnpaid();
    const bool keep = askToKeep(path);
    if (!writeCalendar(path, unpaid))
        return false;
    keepCalendar(path, keep);
    return true;
}

bool DueReminders::askToKeep(const QString &path) const
{
    MessageRequest question;
    question.icon = MessageIcon::Question;
    question.windowIcon = QStringLiteral(":/images/Resources/date.png");
    question.title = tr("Export Calendar");
    question.text = tr("Keep this file up to date?\n%1\n\nIt can be written again after every "
                       "change to the bills, or only now.")
                        .arg(QDir::toNativeSeparators(path));
    question.textFormat = Qt::PlainText;
    question.buttons = QStringList{tr("Keep Up to Date"), tr("Write Once")};
    question.defaultButton = 0;
    question.escapeButton = 1;
    return MessageHelper::ask(question, m_window) == 0;
}

// A calendar written once stops being the one kept, should it have been.
void DueReminders::keepCalendar(const QString &path, bool keep)
{
    const QString dataPath = m_dataFile->path();
    if (keep) {
        if (!ReminderSettings::keepCalendar(dataPath, path))
            MessageHelper::showFileError(
                tr("The calendar was written, but it cannot be kept up to date."), m_window);
    } else if (ReminderSettings::keptCalendar(dataPath) == path) {
        ReminderSettings::keepCalendar(dataPath, QString());
    }
}

QString DueReminders::keptCalendar() const
{
    const QString dataPath = m_dataFile->path();
    return dataPath.isEmpty() ? QString() : ReminderSettings::keptCalendar(dataPath);
}

bool DueReminders::followsBills() const
{
    return isShowing() || !keptCalendar().isEmpty();
}

void DueReminders::billsChanged(const Bills &unpaid)
{
    if (isShowing())
        showDue(unpaid);
    const QString kept = keptCalendar();
    if (!kept.isEmpty())
        writeCalendar(kept, unpaid);
}
