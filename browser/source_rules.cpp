#include "source_rules.h"

#include "settings_keys.h"

namespace kv::browser {

SourcePermissions PermissionsFor(SourceKind kind, int listCount) {
    SourcePermissions p;
    const bool listed = listCount > 0;
    p.csv = kind == SourceKind::Card && listed;
    p.join = kind == SourceKind::Card;
    // A card deletes by hiding the pair, a folder through the trash; a single
    // file is the source itself and is never deleted from the list.
    p.remove = (kind == SourceKind::Card || kind == SourceKind::Folder) && listed;
    return p;
}

QStringView SelectWordOf(SourceKind kind) {
    switch (kind) {
    case SourceKind::Card:
        return settings::kSelectSd;
    case SourceKind::Folder:
        return settings::kSelectFolder;
    case SourceKind::File:
        return settings::kSelectFile;
    case SourceKind::None:
        break;
    }
    return {};
}

SourceKind KindOfSelectWord(QStringView word) {
    if (word == settings::kSelectFolder) {
        return SourceKind::Folder;
    }
    if (word == settings::kSelectFile) {
        return SourceKind::File;
    }
    return SourceKind::Card;
}

QStringView SourceKeyOf(SourceKind kind) {
    switch (kind) {
    case SourceKind::Card:
        return settings::kSd;
    case SourceKind::Folder:
        return settings::kFolder;
    case SourceKind::File:
        return settings::kFile;
    case SourceKind::None:
        break;
    }
    return {};
}

} // namespace kv::browser
