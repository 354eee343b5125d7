#pragma once

#include <QString>
#include <QStringList>

// The one rule every writer follows before it writes a file: an output never
// replaces a file the operation reads or a recording, whatever the user's
// flag or answer, and a joined or repaired recording never goes into the
// card's recording folders, where the recorder would take it for its own.
namespace kv {

// What an output file is.
enum class OutputRole {
    Recording, // a joined or repaired recording (an AVI under a recorder name)
    Other,     // a list, a track, subtitles, a hash list
};

enum class TargetRefusal {
    None,
    Input,      // the target is one of the operation's inputs
    Recording,  // the target is a recording and the output is not one
    CardFolder, // a recording output inside one of the card's recording folders
};

struct TargetCheck {
    TargetRefusal refusal = TargetRefusal::None;
    QString input;       // Input: the input the target names
    bool exists = false; // a file (or a link) stands under the target's name
    QString message;     // why it is refused, naming the target; empty when allowed
};

// Checks target against the rule. The target and every input are resolved
// through links and ".."; an existing target is compared by device and
// inode, so a hard link to an input is that input; a target that does not
// exist yet is compared by its resolved folder and name, without regard to
// case when the folder lies on a FAT or exFAT volume. An existing target
// that is not refused is reported in `exists`; whether it may be replaced is
// the caller's question to the user.
TargetCheck CheckOutputTarget(const QString& target, const QStringList& inputs, OutputRole role);

// True when a and b name one file: both exist and share device and inode, or
// their resolved paths are equal (without regard to case on FAT and exFAT).
bool SameFileTarget(const QString& a, const QString& b);

// True when folder, after links and "..", is one of the recorder's four
// recording folders ("Normal/Front", "Normal/Rear", "Parking/Front",
// "Parking/Rear", in any case).
bool IsCardRecordingFolder(const QString& folder);

// True when the volume holding folder compares names without case (FAT, exFAT).
bool CaseInsensitiveVolume(const QString& folder);

} // namespace kv
