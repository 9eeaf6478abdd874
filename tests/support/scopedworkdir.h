#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh temporary directory that is the process's working directory for the lifetime of
// this object; the previous working directory comes back afterwards.
class ScopedWorkDir
{
public:
    ScopedWorkDir();
    ~ScopedWorkDir();

    ScopedWorkDir(const ScopedWorkDir &) = delete;
    ScopedWorkDir &operator=(const ScopedWorkDir &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};
