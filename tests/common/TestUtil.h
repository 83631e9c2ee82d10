// Helpers shared by the test programs.
#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file; an empty array when it cannot be read.
QByteArray ReadFileBytes(const QString& fileName);
// Writes a whole file; false on failure.
bool WriteFileBytes(const QString& fileName, const QByteArray& bytes);
