#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A scratch home folder while it lives, so that the user's documents folder is a scratch one
// that does not exist yet; the environment is as before afterwards.
class ScopedDocuments
{
public:
    ScopedDocuments();
    ~ScopedDocuments();

    ScopedDocuments(const ScopedDocuments &) = delete;
    ScopedDocuments &operator=(const ScopedDocuments &) = delete;

    // The system's documents folder now.
    static QString folder();
    // Whether that is inside the scratch home, so that a test cannot write into the real one.
    bool isInPlace() const;

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
    QByteArray m_previousConfig;
};
