#pragma once

// Whole-file reads and writes for tests; a file that cannot be written fails the running test.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testkit {

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    if (!written)
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return written;
}

// The file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace testkit
