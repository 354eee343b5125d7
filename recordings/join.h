#pragma once

#include "avi_clip.h"
#include "file_operation.h"
#include "output_target.h"
#include "recording_entry.h"

#include <QString>

#include <cstddef>
#include <vector>

// Joining an unbroken run of recordings into one front-camera file and one
// rear-camera file. The joined file keeps the recorder's layout: the first
// recording's header with its counts grown, one movi list holding every
// recording's chunks in order, one index addressing them and, for the front
// camera, one telemetry block holding every recording's records.
namespace kv {

// Appends the recording that next describes to the one that into describes:
// next's segments move to the end of into's, next's index entries follow
// into's with their offsets moved past into's chunks (+ M_into - 4), the
// telemetry records of a front-camera clip are concatenated with both counts
// set to the total, and into's RIFF size, total frames and video length (and
// audio length, when both use the layout with sound) grow by next's.
// False, with both clips unchanged, when the result would not fit the
// recorder's layout: more than 65,535 telemetry records (the block's count is
// 16 bits), sizes or counts beyond 32 bits, or memory that cannot be had.
bool MergeClip(AviClip& into, AviClip& next);

// Writes the file that clip describes to path: header, movi list streamed
// from the segments' files in pieces of at most 16 MB (copied file to file by
// the kernel where it can, else through mapped views), index, and the
// telemetry block when path names a front-camera file. The bytes go to a
// temporary file in path's folder that replaces path only when it is
// complete, so path never holds a partial file and a file already there stays
// as it was when the write fails. A segment file whose movi list no longer
// matches the loaded descriptor (changed since it was loaded) fails the write.
bool WriteClip(const AviClip& clip, const QString& path, QString* error = nullptr);

// Where a join writes: the folder joined with the file names of the first
// recording's front and rear files (rear empty when it has no rear file).
struct JoinOutputs {
    QString front;
    QString rear;
};
JoinOutputs JoinOutputPaths(const RecordingList& jobs, const QString& folder);

// Why the join may not write to outputs whatever the user answers: an output
// would replace one of the recordings joined (directly, through a link or a
// hard link), lies in a recording folder of a card, or front and rear would
// be one file. Refusal None when the outputs may be written.
TargetCheck JoinTargetRefusal(const RecordingList& jobs, const JoinOutputs& outputs);

// What a join did, for the caller to show and to mark.
struct JoinReport {
    QString error;            // why the join failed; empty otherwise
    bool rearWritten = false; // the rear output was written
    // Positions in the job list of the recordings that were joined; the
    // caller sets `exported` on their entries in its recording list.
    std::vector<std::size_t> exported;
};

// The join worker. Refuses outputs that JoinTargetRefusal refuses, a file
// given twice and recordings that do not belong together (JoinMismatch:
// layout, frame rate, picture size, sound), all before anything is written.
// Loads the first recording's front file (failure: failed) and rear file
// (failure: no rear output), merges every following recording into them (a
// front file that cannot be loaded or merged, or a front or rear file that
// does not match the first: failed; a rear file that cannot be loaded or
// merged: no rear output from then on), then writes the front output and,
// when every rear file was joined, the rear output.
//
// Progress, as (done, total): (1, n); (i, 2n) after recording i = 1 .. n-1;
// (50, 100); (10, 100) before the front write and (40, 100) after it;
// (100, 100) after the rear write; (n, n) at the end.
//
// The running flag is tested before each recording and before each window of
// a write. Neither output replaces its final name before both writes are
// complete, so a failed or cancelled join leaves the output folder as it was:
// both outputs or neither (a rear that fails takes the completed front with it).
OperationResult JoinRecordings(const RecordingList& jobs, const JoinOutputs& outputs,
                               const OperationControl& control, JoinReport* report = nullptr);

} // namespace kv
