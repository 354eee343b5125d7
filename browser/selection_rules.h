#pragma once

#include "recording_entry.h"

#include <QString>

#include <cstdint>
#include <vector>

class QWidget;

namespace kv {
class MessageSink;
}

// The rules of the recording selection dialog, over plain entry lists so that
// they hold without a window: the 1500-entry cap, the rows each mode lists,
// the totals and limits, and how a join's ticks stay one unbroken run.
namespace kv::browser {

// Most recordings the selection dialog lists.
inline constexpr int kMaxSelectionEntries = 1500;
// Join limits per camera.
inline constexpr int kJoinMaxFiles = 100;
inline constexpr std::int64_t kJoinMaxMegabytes = 1024;
inline constexpr std::int64_t kBytesPerMegabyte = 1048576;

enum class SelectMode : int {
    Delete = 0,
    Join = 2,
};

// The first kMaxSelectionEntries entries of list. When list holds more, the
// message "表示数が1500を超えています。1500項目表示します。" titled "ERROR"
// goes to messages.
RecordingList CapSelectionSource(const RecordingList& list, MessageSink& messages);

// The entries a mode lists from source: all of them for a delete; for a join
// only those whose row path (front, else rear) has an ".AVI" extension in any
// case, since only AVI files can be concatenated.
RecordingList SelectionRows(const RecordingList& source, SelectMode mode);

// A row's damage as the join sees it.
bool IsDamagedRow(const RecordingEntry& entry);    // either file failed verification
bool IsUnrepairedRow(const RecordingEntry& entry); // damaged with no repaired copy

// Sums over the ticked rows.
struct SelectionTotals {
    std::int64_t frontBytes = 0;
    std::int64_t rearBytes = 0;
    int frontFiles = 0; // ticked rows with a non-zero front length
    int rearFiles = 0;
};
SelectionTotals TotalsOf(const RecordingList& rows, const std::vector<bool>& ticked);

// What the totals allow. OK needs one file in delete mode, two of a camera in
// join mode; the limits are only reported when OK is pressed.
struct SelectionVerdict {
    std::int64_t frontMegabytes = 0; // join: front total; delete: grand total
    std::int64_t rearMegabytes = 0;  // join only
    bool okEnabled = false;
    bool frontTooBig = false; // join: more than 1024 MB
    bool rearTooBig = false;
    bool frontTooMany = false; // join: more than 100 files
    bool rearTooMany = false;
};
SelectionVerdict JudgeTotals(const SelectionTotals& totals, SelectMode mode);

// The message OK shows instead of ending the dialog: "サイズオーバーです。"
// for a size over the limit, else "ファイル数を減らしてください。" for too
// many files, else empty.
QString JoinLimitMessage(const SelectionVerdict& verdict);

// The ticked run of a join: rows [start, end). start is the first ticked row
// that is not unrepaired (-1 with end -1: no run); end the first row after it
// that is unticked or unrepaired, else one past the last row that is not
// unrepaired.
struct JoinRun {
    int start = -1;
    int end = -1;
    bool operator==(const JoinRun&) const = default;
};
JoinRun FindJoinRun(const RecordingList& rows, const std::vector<bool>& ticked);

// The user changed the tick of row c (ticked already holds its new state);
// before is the run as it was before that change. Ticks the rows between the
// run and c, or unticks the rows the change cut off, so that the ticked rows
// stay one run without damaged recordings.
void ApplyJoinTick(const RecordingList& rows, std::vector<bool>& ticked, JoinRun before, int c);

// The ticks "表示された全てを選択" gives the rows: all of them when on, none
// when off; in join mode the first run of sound rows (a damaged row stays
// unticked, as a click can never tick it, and ends the run).
std::vector<bool> SelectAllTicks(const RecordingList& rows, SelectMode mode, bool on);

// The ticked entries in row order.
RecordingList TickedEntries(const RecordingList& rows, const std::vector<bool>& ticked);

} // namespace kv::browser
