#pragma once

#include "recording_entry.h"

#include <QString>

// What the playback controller asks of the file browser: its recording list,
// its folder tree and the row selection.
namespace kv::playback {

// What the browser says about a folder list it loaded.
struct FolderChange {
    bool newFolder = false; // the tree's selection moved to another folder
    bool refresh = false;   // the same folder was merely listed again
};

class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;

    // The rows of the list changed because a kind filter changed; reading clears it.
    virtual bool TakeFilterChanged() = 0;
    // Selects and shows row. The list reports a selection change back with
    // PlaybackController::SelectRecording, at once or later.
    virtual void SelectRow(int row) = 0;
    // Lists the selected folder again (drawing frozen) into recordings; false
    // when the browser reports no rebuilt list.
    virtual bool RebuildList(RecordingList& recordings) = 0;
    // The selected folder has a next sibling in the tree.
    virtual bool HasNextFolder() = 0;
    // The next sibling becomes the tree's selection; the browser loads it and
    // reports it with PlaybackController::OnFolderLoaded.
    virtual void SelectNextFolder() = 0;
    // Lists the folder `steps` siblings after the selected one into recordings
    // without selecting it; false when there is no such folder.
    virtual bool ListFolderAfter(int steps, RecordingList& recordings) = 0;
    // The folder `steps` siblings after the selected one becomes the tree's
    // selection without being reported as a new folder.
    virtual void MarkFolderAfter(int steps) = 0;
    // Whether the source allows deleting with a list of this size.
    virtual void UpdateDeletePermission(bool listEmpty) = 0;
    // The folder of the source ("pvtrace.txt" there enables the voltage).
    virtual QString SourceFolder() = 0;
};

} // namespace kv::playback
