#pragma once

#include "filedialoghelper.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class QTextBrowser;
class QTreeWidget;
class QWidget;

// Answers every file dialog with the next queued path (an empty one, or none, cancels) and
// keeps the requests for inspection.
class FileAnswers
{
public:
    FileAnswers();
    ~FileAnswers();

    FileAnswers(const FileAnswers &) = delete;
    FileAnswers &operator=(const FileAnswers &) = delete;

    QStringList paths;
    QList<FileDialogRequest> requests;
};

// The main window's parts, found by object name as a person would find them on screen.
QTreeWidget *billList(const QWidget &window);
QTextBrowser *summaryPanel(const QWidget &window);
void trigger(const QWidget &window, const char *actionName);
bool isActionEnabled(const QWidget &window, const char *actionName);
void selectRow(const QWidget &window, int row);
// Creates a data file through the window's New command.
void newFileInWindow(QWidget &window, FileAnswers &answers, const QString &path);

// A bill written straight into the open data file, with a payee of its own and, when paid is
// above 0, one payment made now; returns its id, 0 on failure.
int addBill(const QString &payeeName, const QString &description, double amount, const QDate &due,
            double paid = 0);
