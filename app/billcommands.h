#pragma once

#include <QString>

#include <memory>

class Bill;
class DataFile;
class QWidget;

// The Bill menu's commands on one bill: adding, editing, deleting and paying it, each with
// its dialog or question. Each says whether it may have changed bills, so that the window
// knows when to refresh.
class BillCommands
{
public:
    BillCommands(DataFile *dataFile, QWidget *window);

    void add();
    // The bill is taken by value, so that it stays alive through the dialog and its questions
    // even if something reloads the list meanwhile.
    // False when the person chose to edit nothing.
    bool edit(std::shared_ptr<Bill> bill);
    // Asks whether the bill goes alone or with the rest of its series, and deletes that; false
    // when the person cancelled.
    bool remove(std::shared_ptr<Bill> bill);
    void pay(std::shared_ptr<Bill> bill);

private:
    // A bill of its own is edited alone, as is one that already left its series; for any
    // other bill of a series the person says whether the change is meant for the whole series,
    // or that nothing is to be edited (empty).
    QString editModeFor(const Bill &bill);

    DataFile *m_dataFile = nullptr;
    QWidget *m_window = nullptr;
};
