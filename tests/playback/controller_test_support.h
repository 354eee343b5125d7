#pragma once

// A playback controller on two fake engines, with a window, a map and a file
// browser that record what they are told, timers on a clock the test moves,
// and a queue for what the worker threads post back.

#include "fake_engine.h"
#include "message_box.h"
#include "playback_controller.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace kv::playback::test {

// Timers on a test clock: Advance fires every timer that falls due, in time order.
class ManualTimers final : public PlaybackTimers {
public:
    void Start(int id, int periodMs) override { running_[id] = {now + periodMs, periodMs}; }
    void Stop(int id) override { running_.erase(id); }
    bool Running(int id) const { return running_.count(id) != 0; }

    void Advance(std::int64_t ms) {
        const std::int64_t target = now + ms;
        for (;;) {
            auto due = running_.end();
            for (auto it = running_.begin(); it != running_.end(); ++it) {
                if (it->second.deadline <= target &&
                    (due == running_.end() || it->second.deadline < due->second.deadline)) {
                    due = it;
                }
            }
            if (due == running_.end()) {
                break;
            }
            const int id = due->first;
            now = due->second.deadline;
            due->second.deadline += due->second.period;
            fired.push_back(id);
            onFire(id);
        }
        now = target;
    }

    std::int64_t now = 0;
    std::vector<int> fired;
    std::function<void(int)> onFire;

private:
    struct Timer {
        std::int64_t deadline = 0;
        int period = 0;
    };
    std::map<int, Timer> running_;
};

class QueuePoster final : public UiPoster {
public:
    void Post(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    // Runs what was posted, also what the tasks post themselves.
    void RunAll() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (tasks_.empty()) {
                    return;
                }
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
};

class WindowLog final : public PlaybackView {
public:
    void SetSliderRange(int minimum, int maximum) override { sliderRange = {minimum, maximum}; }
    void EnableSlider(bool enabled) override { sliderEnabled = enabled; }
    void SetSliderAcceptsMouse(bool accepts) override { sliderAcceptsMouse = accepts; }
    void ReleaseSliderCapture() override {}
    void StoreVolume(int volume) override { storedVolume = volume; }
    void SetPlayLook(bool pause) override { pauseLook = pause; }
    void RefreshToolbar() override { ++toolbarRefreshes; }
    void DisableAll() override { ++disables; }
    void EnableAfterOpen(bool deleteUsable) override { enabledAfterOpen.push_back(deleteUsable); }
    void SetWaitCursor(bool on) override { waitCursor = on; }
    void CloseMenu() override {}
    void RepaintPanels() override {}
    void FillPanelsBlack() override { ++blackFills; }
    void PlacePictures() override {}
    void SetSecondWindowTitle(const QString& title) override { secondTitle = title; }
    void RaiseSecondWindow() override {}
    void ZoomOff() override { ++zoomOffs; }
    void LeaveFullScreen() override { ++fullScreenLeft; }
    void LayOutBrowser() override {}
    void SetSpeedLabel(const QString& label) override { speedLabel = label; }
    void ResetPosition() override { shownFrame = 0; }
    void ShowFrame(const FrameView& view) override {
        shownFrame = view.frame;
        lastFrame = view;
    }
    void ShowRecording(const kv::playback::RecordingView& view) override { recording = view; }
    void ClearStartTime() override {}
    void SetVoltageShown(bool) override {}
    void ClearGraphEvents() override {}
    void ResetInfoPanel() override {}

    std::pair<int, int> sliderRange{0, 0};
    bool sliderEnabled = true;
    bool sliderAcceptsMouse = true;
    int storedVolume = -1;
    std::optional<bool> pauseLook;
    int toolbarRefreshes = 0;
    int disables = 0;
    std::vector<bool> enabledAfterOpen;
    bool waitCursor = false;
    int blackFills = 0;
    QString secondTitle;
    int zoomOffs = 0;
    int fullScreenLeft = 0;
    QString speedLabel;
    int shownFrame = -1;
    FrameView lastFrame;
    std::optional<kv::playback::RecordingView> recording;
};

// The map side is not under test here: it only keeps the play status.
class QuietMap final : public MapPane {
public:
    void SetTrackAvailable(bool) override {}
    void SetHold(bool) override {}
    void ClearShown() override {}
    void UpdatePane() override {}
    void IdleTick() override {}
    void UpdateStatus() override {}
    bool UpdateAvailability() override { return false; }
    void SetPlayStatus(const QString& s) override { status = s; }
    void MoveMarker() override {}
    void SetCurrentFrame(int) override {}
    void FollowPosition(const GpsSample&, bool) override {}
    void SetMapAllowed(bool) override {}
    void SendEventPoints(bool) override {}
    void LoadTrack(const RecordingList&) override {}
    QString status;
};

// Sibling folders of a tree, each with its recordings; the first is selected.
class FolderList final : public FolderBrowser {
public:
    bool TakeFilterChanged() override { return std::exchange(filterChanged, false); }
    void SelectRow(int row) override {
        selectedRows.push_back(row);
        controller->SelectRecording(row); // the list reports the selection back
    }
    bool RebuildList(RecordingList& recordings) override {
        recordings = folders.at(static_cast<std::size_t>(selected));
        return true;
    }
    bool HasNextFolder() override { return selected + 1 < static_cast<int>(folders.size()); }
    void SelectNextFolder() override {
        ++selected;
        poster->Post([this] { controller->OnFolderLoaded({true, false}); });
    }
    bool ListFolderAfter(int steps, RecordingList& recordings) override {
        const int index = selected + steps;
        if (index >= static_cast<int>(folders.size())) {
            return false;
        }
        recordings = folders[static_cast<std::size_t>(index)];
        return true;
    }
    void MarkFolderAfter(int steps) override { selected += steps; }
    void UpdateDeletePermission(bool) override {}
    QString SourceFolder() override { return {}; }

    std::vector<RecordingList> folders{1};
    int selected = 0;
    bool filterChanged = false;
    std::vector<int> selectedRows;
    PlaybackController* controller = nullptr;
    UiPoster* poster = nullptr;
};

inline QString FrontName(int number, char mode = 'A') {
    return QStringLiteral("%1___-260101-100000-%2F.AVI")
        .arg(QChar(mode))
        .arg(number, 6, 10, QChar('0'));
}

struct Camera {
    std::int64_t frames = 300;
    float durationMs = 1000.0f / 30.0f;
    int openResult = engine::kOpened;
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() {
        const engine::EngineOps& ops = engine::FakeEngine();
        ops.Create(engines[0], 0, nullptr, nullptr);
        ops.Create(engines[1], 1, nullptr, nullptr);
        controller = std::make_unique<PlaybackController>(
            ControllerPorts{ops, engines[0], engines[1], view, map, browser, messages, timers,
                            poster, [this](const RecordingEntry&) { return damaged; }});
        timers.onFire = [this](int id) { controller->OnTimer(id); };
        browser.controller = controller.get();
        browser.poster = &poster;
    }
    ~ControllerTest() override { controller->WaitForWorkers(); }

    engine::FakeEngineState& Fake(int camera) {
        return engine::FakeStateOf(engines[static_cast<std::size_t>(camera)]);
    }
    engine::EngineContext& Engine(int camera) { return engines[static_cast<std::size_t>(camera)]; }

    // A recording of folder with a front and (unless rear is unset) a rear file.
    RecordingEntry& Add(int folder, int number, std::optional<Camera> front = Camera{},
                        std::optional<Camera> rear = Camera{}, char mode = 'A') {
        if (browser.folders.size() <= static_cast<std::size_t>(folder)) {
            browser.folders.resize(static_cast<std::size_t>(folder) + 1);
        }
        RecordingEntry entry;
        const QString name = FrontName(number, mode);
        const QString dir = QStringLiteral("/card/%1/").arg(folder);
        if (front) {
            entry.frontName = name;
            entry.frontPath = dir + name;
            Script(0, entry.frontPath, *front);
        }
        if (rear) {
            entry.rearName = name.left(name.size() - 5) + QStringLiteral("R.AVI");
            entry.rearPath = dir + entry.rearName;
            Script(1, entry.rearPath, *rear);
        }
        auto& list = browser.folders[static_cast<std::size_t>(folder)];
        list.push_back(entry);
        if (folder == browser.selected) {
            controller->SetPlaylist(list);
        }
        return list.back();
    }
    void Script(int camera, const QString& path, const Camera& c) {
        engine::FakeRecording r;
        r.openResult = c.openResult;
        r.frameCount = c.frames;
        r.frameDurationMs = c.durationMs;
        Fake(camera).recordings[path] = r;
    }

    // The debounce runs out, the opened engines report ready and the
    // telemetry loader's result arrives.
    void FinishOpening() {
        timers.Advance(kOpenDelayMs);
        ReportReady();
    }
    void ReportReady() {
        for (int camera = 0; camera < 2; ++camera) {
            if (Engine(camera).openResult == engine::kOpened) {
                controller->OnEnginesReady(camera);
            }
        }
        controller->WaitForWorkers();
        poster.RunAll();
    }
    void EndBoth() {
        for (int camera = 0; camera < 2; ++camera) {
            if (Engine(camera).openResult == engine::kOpened) {
                controller->OnEndOfStream(camera);
            }
        }
        poster.RunAll();
    }
    // Selected by the user and shown.
    void Show(int index) {
        controller->SelectRecording(index);
        FinishOpening();
    }
    void ShowAndPlay(int index) {
        Show(index);
        controller->TogglePlay();
        ASSERT_EQ(controller->PlayState(), engine::kPlaying);
    }
    int Count(int camera, const QString& call) { return Fake(camera).calls.count(call); }
    QString LastOpen(int camera) { return Fake(camera).openPath; }

    std::array<engine::EngineContext, 2> engines;
    WindowLog view;
    QuietMap map;
    FolderList browser;
    ScriptedMessageSink messages;
    ManualTimers timers;
    QueuePoster poster;
    bool damaged = false;
    std::unique_ptr<PlaybackController> controller;
};

} // namespace kv::playback::test
