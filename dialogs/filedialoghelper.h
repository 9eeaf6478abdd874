#pragma once

#include <QString>

#include <functional>

class QWidget;

// What a file dialog was asked for; tests see it through the responder.
struct FileDialogRequest
{
    enum Kind
    {
        OpenFile,
        SaveFile,
        Directory
    };
    Kind kind = OpenFile;
    QString caption;
    QString directory;
    QString filter;
};

// Every file and directory dialog of the program goes through here, so that tests can
// supply a path or a cancel (an empty string).
class FileDialogHelper
{
public:
    static QString getOpenFileName(QWidget *parent, const QString &caption,
                                   const QString &directory, const QString &filter);
    static QString getSaveFileName(QWidget *parent, const QString &caption,
                                   const QString &directory, const QString &filter);
    static QString getExistingDirectory(QWidget *parent, const QString &caption,
                                        const QString &directory);

    // Where the file and directory dialogs start: "c:\\" on Windows, elsewhere the user's
    // documents folder, or the home folder when there is none.
    static QString startDirectory();

    using Responder = std::function<QString(const FileDialogRequest &)>;
    static void setResponder(Responder responder);
};
