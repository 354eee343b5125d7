#pragma once

// The file commands over a window and a file browser that record what they
// are told, the playback controller on fake engines, scripted folder and
// selection dialogs, and real recordings written by the card maker.

#include "../playback/controller_test_support.h"

#include "cardmaker.h"
#include "catalogue.h"
#include "file_commands.h"
#include "settings_store.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <optional>

namespace kv::app::test {

class WindowRecorder final : public CommandWindow {
public:
    QWidget* DialogOwner() override { return nullptr; }
    void ShowProgressBar() override {
        barShown = true;
        log << QStringLiteral("ShowProgressBar");
    }
    void SetProgressPosition(int percent) override { positions.push_back(percent); }
    void HideProgressBar() override {
        barShown = false;
        log << QStringLiteral("HideProgressBar");
    }
    void DisableControls() override {
        controlsEnabled = false;
        log << QStringLiteral("DisableControls");
    }
    void EnableControls() override {
        controlsEnabled = true;
        log << QStringLiteral("EnableControls");
    }
    void SetMainPanelShown(bool shown) override {
        mainPanelShown = shown;
        log << (shown ? QStringLiteral("ShowMainPanel") : QStringLiteral("HideMainPanel"));
    }
    void RefreshToolBar() override { log << QStringLiteral("RefreshToolBar"); }
    void RepaintPanels() override { log << QStringLiteral("RepaintPanels"); }
    void SetSpeedLabel(const QString& label) override { speedLabel = label; }
    void StopTick() override { log << QStringLiteral("StopTick"); }

    QStringList log;
    std::vector<int> positions;
    bool barShown = false;
    bool controlsEnabled = true;
    bool mainPanelShown = true;
    QString speedLabel;
};

// Recordings of a source folder: front files in Normal/Front, rear files
// beside them in Normal/Rear.
inline RecordingList ListRecordings(const QString& source) {
    Catalogue catalogue;
    RecordingList entries;
    const QDir front(source + QStringLiteral("/Normal/Front"));
    for (const QString& name :
         front.entryList({QStringLiteral("*.AVI")}, QDir::Files, QDir::Name)) {
        const QString rear =
            source + QStringLiteral("/Normal/Rear/") + cardmaker::CounterpartName(name);
        MakeEntry(catalogue, front.filePath(name), QFileInfo::exists(rear) ? rear : QString(),
                  entries);
    }
    return entries;
}

class BrowserRecorder final : public CommandBrowser {
public:
    RecordingList& shownEntries() override { return shown; }
    RecordingList& allEntries() override { return all; }
    void RedrawList() override { ++redraws; }
    RecordingList CollectAllRecordings() override { return ListRecordings(source); }
    int selectedRow() override { return selected; }
    int currentIndex() override { return current; }
    void SetCurrentIndex(int row) override {
        current = row;
        calls << QStringLiteral("SetCurrentIndex %1").arg(row);
    }
    void SelectRow(int index, bool) override {
        if (index >= 0 && index < static_cast<int>(shown.size())) {
            current = selected = index;
        }
        calls << QStringLiteral("SelectRow %1").arg(index);
    }
    int sourceKind() override { return kind; }
    QString sourcePath() override { return source; }
    void OpenSource(const QString& path, int sourceKind) override {
        calls << QStringLiteral("OpenSource %1").arg(sourceKind);
        listBeforeOpen = shown;
        openedPath = path;
        shown = all = ListRecordings(path);
    }
    // Shows the recordings of the source folder.
    void Load() { shown = all = ListRecordings(source); }

    RecordingList shown;
    RecordingList all;
    RecordingList listBeforeOpen;
    QString source;
    QString openedPath;
    int kind = kSourceFolder;
    int selected = -1;
    int current = -1;
    int redraws = 0;
    QStringList calls;
};

// Names of the three consecutive recordings every test gets copies of.
inline const QStringList& RecordingNames() {
    static const QStringList names = {QStringLiteral("A___-261205-093000-000101F.AVI"),
                                      QStringLiteral("A___-261205-093003-000102F.AVI"),
                                      QStringLiteral("A___-261205-093006-000103F.AVI")};
    return names;
}

class FileCommandsTest : public playback::test::ControllerTest {
protected:
    // Three tiny recordings with front and rear files, written once.
    static void SetUpTestSuite() {
        originals_ = new QTemporaryDir;
        QDir(originals_->path()).mkpath(QStringLiteral("Normal/Front"));
        QDir(originals_->path()).mkpath(QStringLiteral("Normal/Rear"));
        for (int i = 0; i < RecordingNames().size(); ++i) {
            cardmaker::RecordingSpec front;
            front.fileName = RecordingNames()[i];
            front.width = 160;
            front.height = 96;
            front.seconds = 2.0;
            front.sessionSeconds = 3.0 * i;
            front.telemetry = cardmaker::TelemetryForm::ExactCount;
            cardmaker::RecordingSpec rear = front;
            rear.fileName = cardmaker::CounterpartName(front.fileName);
            rear.telemetry = cardmaker::TelemetryForm::None;
            QString error;
            if (!cardmaker::WriteRecording(
                    front, originals_->filePath("Normal/Front/" + front.fileName), &error) ||
                !cardmaker::WriteRecording(
                    rear, originals_->filePath("Normal/Rear/" + rear.fileName), &error)) {
                writeError_ = error.toStdString();
            }
        }
    }
    static void TearDownTestSuite() {
        delete originals_;
        originals_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(writeError_.empty()) << writeError_;
        ASSERT_TRUE(dir_.isValid());
        source_ = dir_.filePath(QStringLiteral("source"));
        out_ = dir_.filePath(QStringLiteral("out"));
        CopyRecordings();
        ASSERT_TRUE(QDir().mkpath(out_));
        list_.source = source_;
        list_.Load();
        store_ = SettingsStore{dir_.filePath(QStringLiteral("Default_Folder.ini")), dir_.path()};
        MakeCommands();
    }
    void TearDown() override { commands_.reset(); }

    // Fresh copies of the recordings in the source folder.
    void CopyRecordings() {
        ASSERT_TRUE(QDir(source_).removeRecursively());
        for (const QString& sub : {QStringLiteral("Normal/Front"), QStringLiteral("Normal/Rear")}) {
            ASSERT_TRUE(QDir(source_).mkpath(sub));
            const QDir from(originals_->filePath(sub));
            for (const QString& name : from.entryList(QDir::Files)) {
                ASSERT_TRUE(QFile::copy(from.filePath(name), source_ + u'/' + sub + u'/' + name));
            }
        }
    }

    void MakeCommands() {
        FileCommandPorts ports{window_,    list_,      *controller, engine::FakeEngine(),
                               engines[0], engines[1], messages,    store_};
        ports.select = [this](browser::SelectMode mode, const RecordingList& shown,
                              const RecordingList& all) -> std::optional<RecordingList> {
            selections_.push_back({mode, shown, all});
            return ticked_;
        };
        ports.pickFolder = [this](QWidget*, const QString& title, const QString&) {
            pickTitles_ << title;
            if (picks_.empty()) {
                return FolderPick{};
            }
            const FolderPick pick = picks_.front();
            picks_.pop_front();
            return pick;
        };
        ports.availableBytes = availableBytes_;
        ports.releaseWait = std::chrono::milliseconds(0);
        commands_ = std::make_unique<FileCommands>(ports);
        QObject::connect(&commands_->frame(), &OperationFrame::ended, [this] { ++ended_; });
    }

    // The recordings of the source in the player's list, recording `row`
    // shown at frame `frame`.
    void ShowRecording(int row, std::int64_t frame) {
        controller->CloseRecording();
        for (const RecordingEntry& entry : list_.shown) {
            Script(0, entry.frontPath, {});
            Script(1, entry.rearPath, {});
        }
        controller->SetPlaylist(list_.shown);
        Show(row);
        ASSERT_TRUE(controller->Ready());
        Fake(0).position = frame;
        Fake(1).position = frame;
        list_.selected = list_.current = row;
    }

    // Handles what the worker posts until the operation has ended `count` times.
    bool RunUntilEnded(int count = 1) {
        const bool ended = WaitFor([&] { return ended_ >= count; });
        QCoreApplication::processEvents();
        return ended;
    }

    void ChooseFolder(const QString& folder) { picks_.push_back({true, folder}); }
    QString Setting(QStringView key) const {
        return ReadSetting(store_, QStringLiteral("FOLDERPATH"), key);
    }
    // The position of the last call in an engine's log; -1 when never made.
    int LastCall(int camera, const QString& call) {
        return static_cast<int>(Fake(camera).calls.lastIndexOf(call));
    }
    QStringList Files(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    struct Selection {
        browser::SelectMode mode;
        RecordingList shown;
        RecordingList all;
    };

    static inline QTemporaryDir* originals_ = nullptr;
    static inline std::string writeError_;

    QTemporaryDir dir_;
    QString source_;
    QString out_;
    SettingsStore store_;
    WindowRecorder window_;
    BrowserRecorder list_;
    std::deque<FolderPick> picks_;
    QStringList pickTitles_;
    std::optional<RecordingList> ticked_;
    std::vector<Selection> selections_;
    AvailableBytesQuery availableBytes_;
    std::unique_ptr<FileCommands> commands_;
    int ended_ = 0;
};

} // namespace kv::app::test
