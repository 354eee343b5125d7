#pragma once

#include "file_command_ports.h"

#include <vector>

// The file commands' view of the main window and its file browser.
namespace kv::app {

class CQuillonDlg;
class PlaybackHost;

class WindowCommandPorts final : public CommandWindow, public CommandBrowser {
public:
    WindowCommandPorts(CQuillonDlg& window, PlaybackHost& host);

    // -- CommandWindow
    QWidget* DialogOwner() override;
    void ShowProgressBar() override;
    void SetProgressPosition(int percent) override;
    void HideProgressBar() override;
    void DisableControls() override;
    void EnableControls() override;
    void SetMainPanelShown(bool shown) override;
    void RefreshToolBar() override;
    void RepaintPanels() override;
    void SetSpeedLabel(const QString& label) override;
    void StopTick() override;

    // -- CommandBrowser
    RecordingList& shownEntries() override;
    RecordingList& allEntries() override;
    void RedrawList() override;
    RecordingList CollectAllRecordings() override;
    int selectedRow() override;
    int currentIndex() override;
    void SetCurrentIndex(int row) override;
    void SelectRow(int index, bool keep) override;
    int sourceKind() override;
    QString sourcePath() override;
    void OpenSource(const QString& path, int kind) override;

private:
    // The graph, both video panels and the map window: off while a command
    // works, on again after it (the tool bar's rules do not cover them).
    std::vector<QWidget*> OtherControls() const;

    CQuillonDlg& window_;
    PlaybackHost& host_;
};

} // namespace kv::app
