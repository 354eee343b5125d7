#include "source_choice.h"

#include "recording_name.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace kv::browser {

SourceChoice ChooseDefaultSource(const std::vector<QString>& removableRoots,
                                 const QString& folderSetting, const QString& fileSetting,
                                 const std::function<bool(const QString&)>& exists) {
    // With several cards present the one listed last is opened.
    for (auto it = removableRoots.rbegin(); it != removableRoots.rend(); ++it) {
        if (!it->isEmpty() && exists(*it)) {
            return {SourceKind::Card, WithoutTrailingSeparator(*it)};
        }
    }
    if (!folderSetting.isEmpty() && exists(folderSetting)) {
        return {SourceKind::Folder, folderSetting};
    }
    if (!fileSetting.isEmpty() && exists(fileSetting) &&
        IsRecordingName(QFileInfo(fileSetting).fileName())) {
        return {SourceKind::File, fileSetting};
    }
    return {};
}

int GroupSizeForCapacity(std::int64_t totalBytes) {
    if (totalBytes <= 36'000'000'000LL) {
        return 200;
    }
    if (totalBytes <= 108'000'000'000LL) {
        return 100;
    }
    return 50;
}

bool IsGroupParentText(QStringView text) {
    static const QRegularExpression pattern(QStringLiteral("Normal|Parking"));
    return pattern.match(text.left(260).toString()).hasMatch();
}

bool IsGroupLabelText(QStringView text) {
    static const QRegularExpression pattern(QStringLiteral("[0-9]{6,6}_[0-9]{4,4}"));
    return pattern.match(text.left(260).toString()).hasMatch();
}

QString WithoutTrailingSeparator(const QString& path) {
    QString result = path;
    while (result.size() > 1 && (result.endsWith(u'/') || result.endsWith(u'\\'))) {
        result.chop(1);
    }
    return result;
}

} // namespace kv::browser
