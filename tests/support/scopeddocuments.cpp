#include "scopeddocuments.h"

#include <QFile>
#include <QStandardPaths>

ScopedDocuments::ScopedDocuments()
    : m_previousHome(qgetenv("HOME")), m_previousConfig(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("HOME", QFile::encodeName(m_home.path()));
    // The folders the user's own user-dirs.dirs names must not apply.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
}

ScopedDocuments::~ScopedDocuments()
{
    qputenv("HOME", m_previousHome);
    if (m_previousConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_previousConfig);
}

QString ScopedDocuments::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool ScopedDocuments::isInPlace() const
{
    return m_home.isValid() && folder().startsWith(m_home.path() + QLatin1Char('/'));
}
