#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes for tests that check a file was left byte for byte alone.
QByteArray fileBytes(const QString &path);
bool writeFileBytes(const QString &path, const QByteArray &bytes);
// A digest of the whole file, for comparing large files before and after.
QByteArray fileHash(const QString &path);
