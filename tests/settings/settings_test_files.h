#pragma once

#include "settings_store.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(QStringView text, std::ostream* os) {
    *os << '"' << text.toString().toStdString() << '"';
}

namespace kv::test {

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A settings store in a fresh temporary directory, started in that directory.
class TempSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store.startFolder = dir.path();
        store.filePath = dir.filePath(QStringLiteral("Default_Folder.ini"));
    }

    QTemporaryDir dir;
    SettingsStore store;
};

} // namespace kv::test
