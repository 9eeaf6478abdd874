#pragma once

#include <QCommandLineOption>
#include <QString>

// Where system.db is kept. A program run from its build folder (./run.sh) keeps it in the
// working directory. The installed one, started from the desktop menu or by the morning timer,
// keeps it in the user's data folder: one folder for both programs, the window and nvdue, so
// that they remember the same file used last.
class SystemLocation
{
public:
    // The command-line option that asks for the user's data folder, alike in both programs.
    static QCommandLineOption userDataOption();

    // The absolute path of system.db: in the working directory, or, with userData, in
    // norvo-rava-rodozod/ under the user's data folder (normally ~/.local/share), a folder made
    // when it is missing. While that folder holds no store, the ~/system.db of an earlier
    // install, which ran in the home folder, is copied there; the old one stays as it is. When
    // the copy cannot be made, the old store is used where it is, so that nothing it remembers
    // is lost, and the next start tries again.
    static QString path(bool userData);
};
