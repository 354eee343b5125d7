#include "operation_frame.h"

#include "engine_context.h"
#include "message_box.h"
#include "message_dialog.h"
#include "playback_controller.h"
#include "ui_texts.h"

#include <QMetaObject>

#include <algorithm>
#include <mutex>
#include <utility>

namespace kv::app {

int ProgressPercent(std::int64_t done, std::int64_t total) {
    if (total <= 0) {
        return 100;
    }
    const std::uint64_t percent =
        static_cast<std::uint64_t>(done) * 100u / static_cast<std::uint64_t>(total);
    return static_cast<int>(std::min<std::uint64_t>(percent, 100u));
}

OperationFrame::OperationFrame(const FileCommandPorts& ports, QObject* parent)
    : QObject(parent), ports_(ports) {}

OperationFrame::~OperationFrame() {
    Shutdown();
}

OperationControl OperationFrame::Control() {
    OperationControl control;
    control.running = &running_;
    control.progress = [this](std::int64_t done, std::int64_t total) {
        if (onWorkerProgress) {
            onWorkerProgress(done, total);
        }
        Post([this, done, total] { OnProgress(done, total); });
    };
    return control;
}

void OperationFrame::Start(std::function<WorkerEnd()> work) {
    JoinWorker(); // an earlier worker that has ended but was not waited for
    ports_.window.SetProgressPosition(0);
    barShown_ = false;
    running_ = true;
    ports_.window.DisableControls();
    worker_ = std::thread([this, work = std::move(work)] {
        const WorkerEnd end = work();
        Post([this, end] { Finish(end); });
    });
    ports_.window.SetMainPanelShown(false);
}

void OperationFrame::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void OperationFrame::PostShowBar() {
    Post([this] {
        if (!shuttingDown_ && !barShown_) {
            barShown_ = true;
            ports_.window.ShowProgressBar();
        }
    });
}

void OperationFrame::PostEnd() {
    Post([this] { End(); });
}

void OperationFrame::OnProgress(std::int64_t done, std::int64_t total) {
    if (shuttingDown_) {
        return;
    }
    if (!barShown_) {
        barShown_ = true;
        ports_.window.ShowProgressBar();
    }
    ports_.window.SetProgressPosition(ProgressPercent(done, total));
}

void OperationFrame::Finish(const WorkerEnd& end) {
    if (shuttingDown_) {
        return;
    }
    if (end.atEnd) {
        end.atEnd();
    }
    if (end.result == kOperationDone) {
        if (end.succeeded) {
            end.succeeded();
        } else {
            CompleteSuccessfully();
        }
        return;
    }
    if (end.result == kOperationFailed) {
        for (const QString& message : end.failureMessages) {
            ports_.messages.ShowMessage(message, Text(UiText::ErrorCaption), kMessageOk);
        }
    }
    running_ = false;
    PostEnd();
}

void OperationFrame::CompleteSuccessfully() {
    completionMark_ = true;
    running_ = false;
    PostEnd();
}

void OperationFrame::JoinWorker() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void OperationFrame::ShowCompletion() {
    if (completionMark_) {
        completionMark_ = false;
        ports_.messages.ShowMessage(Text(UiText::Completed), Text(UiText::FinishedCaption),
                                    kMessageOk);
    }
}

void OperationFrame::End() {
    if (shuttingDown_) {
        return;
    }
    running_ = false;
    JoinWorker();
    ShowCompletion();
    ports_.window.EnableControls();
    ports_.window.SetMainPanelShown(true);
    playback::PlaybackController& player = ports_.player;
    if (restoreMark_) {
        for (engine::EngineContext* engine : {&ports_.front, &ports_.rear}) {
            if (engine->created) {
                ports_.ops.SeekFrame(*engine, 0);
            }
        }
        player.ShowPosition(0);
        player.StopPlayback();
        restoreMark_ = false;
    }
    if (player.errorShown) {
        player.errorShown = false;
    } else {
        ports_.window.RefreshToolBar();
    }
    ports_.window.HideProgressBar();
    barShown_ = false;
    if (player.resumePending) {
        const int row = ports_.browser.currentIndex();
        if (row >= 0 && row < static_cast<int>(ports_.browser.shownEntries().size())) {
            {
                std::lock_guard list(player.ListLock());
                player.currentRecording = row;
            }
            player.ScheduleOpen();
        } else {
            player.resumePending = false;
        }
    }
    Q_EMIT ended();
}

bool OperationFrame::Cancel() {
    if (!running_) {
        return false;
    }
    running_ = false;
    JoinWorker();
    ShowCompletion();
    ports_.window.EnableControls();
    return true;
}

void OperationFrame::Shutdown() {
    shuttingDown_ = true;
    running_ = false;
    JoinWorker();
}

} // namespace kv::app
