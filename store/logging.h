#pragma once

#include <QLoggingCategory>

// The program's lines for developers. They are silent unless switched on, for example with
// QT_LOGGING_RULES="norvo.*=true", so that a person who starts the program from a terminal, or
// a script that reads nvdue's stderr, sees only what is meant for them.
// norvo.store: statements that fail, rows that cannot be read, files that cannot be opened or
// copied, and the saves of the system store's header.
Q_DECLARE_LOGGING_CATEGORY(lcStore)
// norvo.upgrade: the steps of a file upgrade, its backup, and the checks of a file's schema.
Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

// A command-line tool's log. A script reads stderr for the one line that says what is wrong,
// which the tool writes there directly. What comes through Qt's log is for developers: the
// program's own lines, which arrive only when their categories are switched on, and Qt's own
// warnings, shown too once QT_LOGGING_RULES asks for any lines at all.
void installCommandLineLog();
