#include "command_ports.h"

#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "main_window.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "playback_host.h"
#include "playback_timers.h"
#include "skin_button.h"
#include "skin_progress_bar.h"
#include "tool_bar.h"

#include <QItemSelectionModel>

#include <vector>

namespace kv::app {

WindowCommandPorts::WindowCommandPorts(CQuillonDlg& window, PlaybackHost& host)
    : window_(window), host_(host) {}

// -- CommandWindow

QWidget* WindowCommandPorts::DialogOwner() {
    return &window_;
}

void WindowCommandPorts::ShowProgressBar() {
    CSkinProgressBarCtrl* bar = window_.ProgressBar();
    bar->setGeometry(window_.Layout().progressBar);
    bar->show();
    bar->raise();
    bar->repaint();
}

void WindowCommandPorts::SetProgressPosition(int percent) {
    CSkinProgressBarCtrl* bar = window_.ProgressBar();
    bar->SetPosition(percent);
    bar->raise();
    bar->update();
}

void WindowCommandPorts::HideProgressBar() {
    window_.ProgressBar()->hide();
}

std::vector<QWidget*> WindowCommandPorts::OtherControls() const {
    std::vector<QWidget*> controls;
    for (QWidget* w :
         {window_.GraphPane(), static_cast<QWidget*>(window_.Panel(0)),
          static_cast<QWidget*>(window_.Panel(1)), static_cast<QWidget*>(window_.MapWindow())}) {
        if (w) {
            controls.push_back(w);
        }
    }
    return controls;
}

void WindowCommandPorts::DisableControls() {
    for (int i = 0; i < playback::kToolButtons; ++i) {
        window_.ToolButton(i)->setEnabled(false);
    }
    for (int id : {kCommandClose, kCommandMaximise, kCommandMinimise}) {
        window_.CaptionButton(id)->setEnabled(false);
    }
    window_.BrowserPane()->setEnabled(false);
    window_.InfoPane()->setEnabled(false);
    for (QWidget* w : OtherControls()) {
        w->setEnabled(false);
    }
}

void WindowCommandPorts::EnableControls() {
    for (QWidget* w : OtherControls()) {
        w->setEnabled(true);
    }
    // The tool bar, the caption buttons, the browser and the information
    // panel follow the tool bar's rules for the state the command left. After
    // an open that failed with its message they stay as that open left them.
    if (host_.Controller().errorShown) {
        host_.ApplyToolbarAgain();
    } else {
        host_.RefreshToolbar();
    }
}

void WindowCommandPorts::SetMainPanelShown(bool shown) {
    window_.Panel(window_.mainView())->setVisible(shown);
}

void WindowCommandPorts::RefreshToolBar() {
    host_.RefreshToolbar();
}

void WindowCommandPorts::RepaintPanels() {
    host_.RepaintPanels();
}

void WindowCommandPorts::SetSpeedLabel(const QString& label) {
    host_.SetSpeedLabel(label);
}

void WindowCommandPorts::StopTick() {
    host_.Stop(playback::kTickTimer);
}

// -- CommandBrowser

RecordingList& WindowCommandPorts::shownEntries() {
    return window_.RecordingListCtrl()->mutableShownEntries();
}

RecordingList& WindowCommandPorts::allEntries() {
    return window_.RecordingListCtrl()->mutableAllEntries();
}

void WindowCommandPorts::RedrawList() {
    window_.RecordingListCtrl()->EntriesChanged();
    // The player plays from the rows the list shows.
    host_.Controller().SetPlaylist(host_.List());
    window_.Browser()->update(); // the count
}

RecordingList WindowCommandPorts::CollectAllRecordings() {
    return window_.Browser()->CollectAllRecordings();
}

int WindowCommandPorts::selectedRow() {
    browser::CFileListCtrl* list = window_.RecordingListCtrl();
    const QModelIndex focused = list->selectionModel()->currentIndex();
    if (!focused.isValid() || !list->selectionModel()->isRowSelected(focused.row(), {})) {
        return -1;
    }
    return focused.row();
}

int WindowCommandPorts::currentIndex() {
    return window_.RecordingListCtrl()->currentIndex();
}

void WindowCommandPorts::SetCurrentIndex(int row) {
    window_.RecordingListCtrl()->SetCurrentIndex(row);
}

void WindowCommandPorts::SelectRow(int index, bool keep) {
    window_.Browser()->SelectRow(index, keep ? 1 : 0);
}

int WindowCommandPorts::sourceKind() {
    return static_cast<int>(window_.Browser()->sourceKind());
}

QString WindowCommandPorts::sourcePath() {
    return window_.Browser()->sourcePath();
}

void WindowCommandPorts::OpenSource(const QString& path, int kind) {
    host_.OpenSource(path, static_cast<SourceKind>(kind));
}

} // namespace kv::app
