#pragma once

#include "source_kind.h"

#include <QString>
#include <QStringView>

// What the chosen source allows on the tool bar, and how the source dialog's
// choice is remembered in the settings.
namespace kv::browser {

// The list commands a source allows, given how many recordings are listed.
struct SourcePermissions {
    bool csv = false;    // list export: a card with recordings listed
    bool join = false;   // join: a card
    bool remove = false; // delete: a card or a folder with recordings listed
    bool operator==(const SourcePermissions&) const = default;
};
SourcePermissions PermissionsFor(SourceKind kind, int listCount);

// The SOURCE/SELECT word of a kind ("SD", "FOLDER", "FILE"; empty for None)
// and back: any other word is the card.
QStringView SelectWordOf(SourceKind kind);
SourceKind KindOfSelectWord(QStringView word);
// The SOURCE key that holds a kind's path (the same words).
QStringView SourceKeyOf(SourceKind kind);

} // namespace kv::browser
