#pragma once

#include <QStringView>

// Names in the settings file, spelled as the file spells them. Lookups ignore
// case, but writes use these spellings so that new files look the same as the
// ones the users already have.
namespace kv::settings {

inline constexpr QStringView kFileName = u"Default_Folder.ini";

// Display options of the main window, and its size scale.
inline constexpr QStringView kDisplay = u"DISPLAY";
inline constexpr QStringView kInfoCheck = u"INFOCHECK"; // written at first start, never read
inline constexpr QStringView kAspect = u"ASPECT";       // "on": keep the video's aspect ratio
inline constexpr QStringView kVolume = u"VOLUME";       // decimal 0-65535; empty reads as 65535

// Size scale of a resizable window ("%f"); the main window keeps its scale
// under kDisplay, the map and video windows under their own sections.
inline constexpr QStringView kMapDisplay = u"MAPDISPLAY";
inline constexpr QStringView kMovieDisplay = u"MOVIEDISPLAY";
inline constexpr QStringView kScaleX = u"SCALEX";
inline constexpr QStringView kScaleY = u"SCALEY";

// Hardware video decoding: "on" switches it on; the viewer never writes it.
inline constexpr QStringView kDecode = u"DECODE";
inline constexpr QStringView kHw = u"HW";

// The source chosen last.
inline constexpr QStringView kSource = u"SOURCE";
inline constexpr QStringView kSelect = u"SELECT"; // one of the kSelect* values below
inline constexpr QStringView kSd = u"SD";         // card drive
inline constexpr QStringView kFolder = u"FOLDER"; // folder path
inline constexpr QStringView kFile = u"FILE";     // file path

// The output folders chosen last by the maintenance functions.
inline constexpr QStringView kFolderPath = u"FOLDERPATH";
inline constexpr QStringView kRepairFolder = u"REPAIR_FOLDER";
inline constexpr QStringView kCsvFolder = u"CSV_FOLDER";
inline constexpr QStringView kConnectFolder = u"CONNECT_FOLDER"; // backup and concatenation
inline constexpr QStringView kSnapshotFolder = u"SNAPSHOT_FOLDER";

// The maker's web site that publishes the version texts of the viewer, the
// recorder's firmware and its GPS data: a host ("www.example.jp",
// "127.0.0.1:8080") or an address with its scheme. Empty: no update check.
inline constexpr QStringView kUpdate = u"UPDATE";
inline constexpr QStringView kHost = u"HOST";

// Values.
inline constexpr QStringView kOn = u"on";
inline constexpr QStringView kOff = u"off";
inline constexpr QStringView kSelectSd = u"SD";
inline constexpr QStringView kSelectFolder = u"FOLDER";
inline constexpr QStringView kSelectFile = u"FILE";
inline constexpr QStringView kInfoCheckDefault = u"31";
inline constexpr QStringView kAspectDefault = u"on";
inline constexpr QStringView kVolumeDefault = u"65535";
inline constexpr int kMaxVolume = 65535;

} // namespace kv::settings
