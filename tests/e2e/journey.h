#pragma once

// A driver's journey through the real viewer: cards written by kolvista-mkcard,
// the main window with the real engines and the real message and selection
// dialogs (answered by a watcher as a user would click them), screenshots of
// every step under the build folder, and the files on disk read back.

#include "filer_container_dlg.h"
#include "main_window.h"
#include "message_box.h"
#include "playback_host.h"
#include "settings_store.h"
#include "source_volumes.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace kv::e2e {

// The cards the journey puts in: the removable volumes the browser sees.
class CardSlot final : public browser::VolumeLister {
public:
    std::vector<QString> RemovableRoots() const override { return roots; }
    std::vector<QString> roots;
};

// One message dialog the user saw.
struct SeenMessage {
    QString caption;
    QString text;
};

// Answers the modal dialogs once they have been on screen for a moment: the
// message dialogs from a queue of answers (1 OK or "はい", 2 Cancel or "いいえ";
// OK once the queue is empty) and the recording selection dialog by ticking
// the rows asked for and clicking OK. Each dialog is photographed first.
class DialogWatcher final : public QObject {
    Q_OBJECT

public:
    explicit DialogWatcher(std::function<void(const QString&)> shot);

    std::vector<SeenMessage> messages;
    std::deque<int> answers;
    std::vector<int> rowsToTick;
    int selectionDialogs = 0;

    bool Saw(const QString& text) const;
    QStringList Texts() const;

private:
    void Scan();

    std::function<void(const QString&)> shot_;
    QTimer timer_;
};

class Journey : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a card with kolvista-mkcard (--tiny plus arguments) into the
    // journey's folder; its path.
    QString MakeCard(const QString& name, const QStringList& arguments = {});
    // The viewer as it starts: window, message box, playback host, with the
    // cards of slot as the removable volumes and folder choices answered with out.
    void StartViewer();
    // The start-up source choice (nothing on the command line).
    bool OpenAtStart();
    // Closes the window as the close button does (the shutdown questions come).
    void CloseViewer();

    // Photographs the screen (the whole X screen, or the window when there is
    // none) as NN-name.png in this journey's screenshot folder.
    void Shot(const QString& name);
    QString ShotFolder() const { return shotFolder_; }

    // A real mouse click on a tool-bar button.
    void Click(int button);
    playback::PlaybackController& C() { return host->Controller(); }
    std::int64_t Frame(int camera) const;
    bool Playing() { return window->Engine(0).playState == engine::kPlaying; }
    // The file names of the rows the recording list shows.
    QStringList ListedNames() const;

public:
    // The files under folder, relative paths, sorted (what is on disk).
    static QStringList FilesUnder(const QString& folder);
    static QByteArray Contents(const QString& path);

protected:
    QTemporaryDir root;
    QString startFolder; // the viewer's start folder: no settings file in it
    QString configFolder;
    QString out; // where the folder choices point
    SettingsStore store;
    CardSlot slot;
    std::unique_ptr<app::CQuillonDlg> window;
    std::unique_ptr<CMsgBox> box;
    std::unique_ptr<DialogWatcher> dialogs;
    std::unique_ptr<app::PlaybackHost> host;

private:
    std::vector<std::pair<const char*, QByteArray>> savedEnv_;
    QString shotFolder_;
    QStringList shots_;
};

} // namespace kv::e2e
