#pragma once

#include <QString>
#include <QStringView>

#include <span>

namespace kv {

// Where the settings live. A plain value: the start-up code locates the file
// once and hands the store to whoever reads or writes settings.
struct SettingsStore {
    QString filePath;    // the INI file, "Default_Folder.ini"
    QString startFolder; // the current directory when the viewer started
};

// The settings file of a viewer started in startFolder: "Default_Folder.ini"
// in startFolder when such a file exists there (portable use: the users keep
// it beside the program), otherwise the same name in configFolder (startFolder
// again when configFolder is empty).
SettingsStore LocateSettings(const QString& startFolder, const QString& configFolder);

// LocateSettings for this process: the current directory and the user's
// configuration folder (QStandardPaths::AppConfigLocation, which depends on
// the application and organisation names set before the call).
SettingsStore SettingsAtStartup();

// The folder the viewer started in. Folder choosers start there when they
// remember no folder; in portable use it also holds the settings file.
QString SettingsFolder(const SettingsStore& store);

// Longest value ReadSetting returns, in UTF-16 units.
inline constexpr qsizetype kMaxSettingLength = 259;

// The value of key in section, cut to kMaxSettingLength (never inside a
// surrogate pair). Empty when the file, the section or the key is missing, or
// when the file cannot be read.
QString ReadSetting(const SettingsStore& store, QStringView section, QStringView key);

// One value of a batch write. The names are views: the key constants, or
// texts that outlive the call.
struct SettingValue {
    QStringView section;
    QStringView key;
    QString value;
};

// Writes value under key in section, creating the file, its folder, the
// section and the key as needed (see IniDocument::setValue for where they go).
// False when the write failed or the names or value cannot be stored; the
// file is then unchanged.
bool WriteSetting(const SettingsStore& store, QStringView section, QStringView key,
                  QStringView value);

// Several values in one write: either all of them reach the file or none.
bool WriteSettings(const SettingsStore& store, std::span<const SettingValue> values);

// Writes values into a new settings file. When the file exists already it is
// left alone and the result is true.
bool CreateSettingsFile(const SettingsStore& store, std::span<const SettingValue> values);

} // namespace kv
