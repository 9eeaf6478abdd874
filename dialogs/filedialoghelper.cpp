#include "filedialoghelper.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {
FileDialogHelper::Responder &responder()
{
    static FileDialogHelper::Responder current;
    return current;
}

bool answeredByResponder(FileDialogRequest::Kind kind, const QString &caption,
                         const QString &directory, const QString &filter, QString *answer)
{
    if (!responder())
        return false;
    FileDialogRequest request;
    request.kind = kind;
    request.caption = caption;
    request.directory = directory;
    request.filter = filter;
    *answer = responder()(request);
    return true;
}
} // namespace

QString FileDialogHelper::getOpenFileName(QWidget *parent, const QString &caption,
                                          const QString &directory, const QString &filter)
{
    QString answer;
    if (answeredByResponder(FileDialogRequest::OpenFile, caption, directory, filter, &answer))
        return answer;
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString FileDialogHelper::getSaveFileName(QWidget *parent, const QString &caption,
                                          const QString &directory, const QString &filter)
{
    QString answer;
    if (answeredByResponder(FileDialogRequest::SaveFile, caption, directory, filter, &answer))
        return answer;
    // The program refuses to replace an existing file on its own, with its own message.
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString FileDialogHelper::getExistingDirectory(QWidget *parent, const QString &caption,
                                               const QString &directory)
{
    QString answer;
    if (answeredByResponder(FileDialogRequest::Directory, caption, directory, QString(), &answer))
        return answer;
    return QFileDialog::getExistingDirectory(parent, caption, directory, QFileDialog::ShowDirsOnly);
}

QString FileDialogHelper::startDirectory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QDir::homePath();
#endif
}

void FileDialogHelper::setResponder(Responder newResponder)
{
    responder() = std::move(newResponder);
}
