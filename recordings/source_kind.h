#pragma once

namespace kv {

// Where the recordings come from; the numbers are the source dialog's kinds.
enum class SourceKind : int {
    None = 0,
    Card = 1,   // an SD card: a removable volume with the recorder's folders
    Folder = 2, // a folder, for example one copied from a card
    File = 3,   // one recording file
};

} // namespace kv
