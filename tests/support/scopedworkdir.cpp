#include "scopedworkdir.h"

#include <QDir>

ScopedWorkDir::ScopedWorkDir() : m_previous(QDir::currentPath())
{
    if (!m_dir.isValid())
        qFatal("Cannot create a temporary working directory");
    QDir::setCurrent(m_dir.path());
}

ScopedWorkDir::~ScopedWorkDir()
{
    QDir::setCurrent(m_previous);
}
