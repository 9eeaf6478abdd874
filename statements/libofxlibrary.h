#pragma once

#include <libofx/libofx.h>

#include <QList>
#include <QString>

// libofx, loaded the first time a statement is read through it rather than with the program:
// the library and the SGML parser it brings take over 2 MiB and a millisecond at every start,
// for a command a household uses once a month.
class LibofxLibrary
{
public:
    // The loaded library; nullptr when it cannot be loaded (error() then says why).
    static const LibofxLibrary *get();
    static QString error();

    decltype(&libofx_get_new_context) getNewContext = nullptr;
    decltype(&ofx_set_transaction_cb) setTransactionCallback = nullptr;
    decltype(&ofx_set_status_cb) setStatusCallback = nullptr;
    decltype(&libofx_proc_file) processFile = nullptr;
    decltype(&libofx_free_context) freeContext = nullptr;

    // Turns off every message the library would print to stderr: its parser's progress and its
    // errors, which a command-line tool's caller would read as our own output.
    void silence() const;

private:
    LibofxLibrary() = default;
    static LibofxLibrary load(QString *error);

    // The library's switches of its messages (ofx_PARSER_msg and the others).
    QList<int *> m_messageSwitches;
};
