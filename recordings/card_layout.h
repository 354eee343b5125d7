#pragma once

#include <QString>

#include <array>

// The folders in which the recorder keeps its recordings on the card.
namespace kv {

struct CardFolder {
    const char* folder; // relative to the card root
    const char* group;
    const char* camera;
    char letter;                  // camera letter of the file names
    const char* extension;        // of a recording
    const char* deletedExtension; // of a recording deleted on the card
};

inline constexpr std::array<CardFolder, 4> kCardFolders = {{
    {"Normal/Front", "Normal", "Front", 'F', "AVI", "DMY"},
    {"Normal/Rear", "Normal", "Rear", 'R', "AVI", "DMY"},
    {"Parking/Front", "Parking", "Front", 'F', "AVI", "DMY"},
    {"Parking/Rear", "Parking", "Rear", 'R', "AVI", "DMY"},
}};

// The card folder of a recording file by its name (parking group or not) and camera.
const CardFolder& CardFolderOf(const QString& path);

// The root of the volume that holds path: the card's root when path lies on a card.
QString VolumeRootOf(const QString& path);

// True when the volume of path has the recorder's layout ("Normal/Front" or
// "Parking/Front" at its root).
bool CardLayoutPresent(const QString& path);

} // namespace kv
