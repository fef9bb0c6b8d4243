// Paths between the run's strings (the platform's encoding, UTF-8 on every platform the program runs on) and
// the window's texts.
#pragma once

#include <string>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace celshift {

inline QString fromBytes(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

inline std::string toBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A path as the user reads it: the platform's separators.
inline QString shownPath(const std::string& bytes) { return QDir::toNativeSeparators(fromBytes(bytes)); }
// The path in the system's own form (backslashes on Windows), as bytes.
inline std::string nativePath(const std::string& bytes) { return toBytes(shownPath(bytes)); }

}  // namespace celshift
