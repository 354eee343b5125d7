#include "settings_store.h"

#include "ini_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace kv {

namespace {

// How long a write waits for another viewer's write of the same file.
constexpr int kLockWaitMs = 2000;

bool IsStorable(const SettingValue& v) {
    return IniDocument::IsValidSection(v.section) && IniDocument::IsValidKey(v.key) &&
           IniDocument::IsValidValue(v.value);
}

bool Store(const SettingsStore& store, std::span<const SettingValue> values, bool onlyWhenMissing) {
    for (const SettingValue& v : values) {
        if (!IsStorable(v)) {
            return false;
        }
    }
    if (store.filePath.isEmpty() || !QDir().mkpath(QFileInfo(store.filePath).absolutePath())) {
        return false;
    }

    // Two viewers may share the file. The lock makes each read-modify-write
    // see the other's last write, so changes to different keys are not lost.
    // A lock left behind by a crashed viewer is taken over: QLockFile checks
    // whether the process that holds it still runs.
    QLockFile lock(store.filePath + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        return false;
    }

    // Open first and ask whether the file exists only when that fails: a
    // status query that races with another program's replacing rename can
    // report the file missing, and this write would then drop the rest of it.
    QFile file(store.filePath);
    const bool opened = file.open(QIODevice::ReadOnly);
    const bool existed = opened || QFileInfo::exists(store.filePath);
    if (existed && onlyWhenMissing) {
        return true;
    }
    // A file that exists but cannot be read is never replaced either.
    if (existed && !opened) {
        return false;
    }
    QByteArray before;
    if (opened) {
        before = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return false;
        }
        file.close();
    }

    IniDocument document(before);
    for (const SettingValue& v : values) {
        document.setValue(v.section, v.key, v.value);
    }
    const QByteArray after = document.bytes();
    if (existed && after == before) {
        return true;
    }

    // The new text goes to a temporary file beside the settings file, which
    // then replaces it in one rename: a crash or a full disk leaves the old
    // file as it was, and a reader sees either the old or the new text.
    QSaveFile save(store.filePath);
    if (!save.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (save.write(after) != after.size()) {
        save.cancelWriting();
        return false;
    }
    // On Windows the file is marked hidden after each write. A Linux file is
    // hidden only by a leading dot in its name, and this name is fixed, so
    // there is nothing to do here.
    // Qt counts a buffered write the system cut short (a disk that ran full
    // part-way) as done: the size on disk must be the whole text before the
    // file replaces the old one.
    // The text reaches the disk before the rename, and the rename before we
    // report success: a power cut never leaves an empty settings file.
    if (!save.flush() || save.size() != after.size() || ::fdatasync(save.handle()) != 0) {
        save.cancelWriting();
        save.commit(); // removes the unfinished file
        return false;
    }
    if (!save.commit()) {
        return false;
    }
    const int folder =
        ::open(QFile::encodeName(QFileInfo(store.filePath).absolutePath()).constData(),
               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace

QString ReadSetting(const SettingsStore& store, QStringView section, QStringView key) {
    QFile file(store.filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // No lock: writes replace the file in one rename, so this reads a whole file.
    const IniDocument document(file.readAll());
    QString value = document.value(section, key).value_or(QString());
    if (value.size() > kMaxSettingLength) {
        qsizetype length = kMaxSettingLength;
        if (value[length - 1].isHighSurrogate()) {
            --length;
        }
        value.truncate(length);
    }
    return value;
}

bool WriteSetting(const SettingsStore& store, QStringView section, QStringView key,
                  QStringView value) {
    const SettingValue one{section, key, value.toString()};
    return Store(store, {&one, 1}, false);
}

bool WriteSettings(const SettingsStore& store, std::span<const SettingValue> values) {
    return Store(store, values, false);
}

bool CreateSettingsFile(const SettingsStore& store, std::span<const SettingValue> values) {
    return Store(store, values, true);
}

} // namespace kv
