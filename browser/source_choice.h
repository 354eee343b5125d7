#pragma once

#include "source_rules.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <vector>

// Which source the browser opens at start, and the numbers a source sets.
namespace kv::browser {

struct SourceChoice {
    SourceKind kind = SourceKind::None;
    QString path;
    bool operator==(const SourceChoice&) const = default;
};

// The source to open at start: the last removable volume whose root exists
// (a card is present), else the remembered folder when it exists, else the
// remembered file when it exists and is named like a recording; nothing
// otherwise.
SourceChoice ChooseDefaultSource(const std::vector<QString>& removableRoots,
                                 const QString& folderSetting, const QString& fileSetting,
                                 const std::function<bool(const QString&)>& exists);

// Most files in one group of a card of this capacity in bytes: 200 up to
// 36 GB, 100 up to 108 GB, 50 above.
int GroupSizeForCapacity(std::int64_t totalBytes);

// A top-level tree folder that holds groups ("Normal", "Parking" anywhere in
// its text), and a group label ("220820_0001" anywhere in the text).
bool IsGroupParentText(QStringView text);
bool IsGroupLabelText(QStringView text);

// The path without a trailing separator (a root "/" stays as it is).
QString WithoutTrailingSeparator(const QString& path);

} // namespace kv::browser
