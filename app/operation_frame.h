#pragma once

#include "file_command_ports.h"
#include "file_operation.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

// What the long file operations (CSV list, join, delete) share around their
// worker thread: the running flag the worker tests, the progress bar, the
// controls switched off while it runs, the completion notice and the return
// to the recording that was shown.
namespace kv::app {

// The progress bar's position for done of total: done × 100 / total in
// unsigned arithmetic, 100 when total is 0 or less; never above 100.
int ProgressPercent(std::int64_t done, std::int64_t total);

// How a worker ended, handed to the window thread.
struct WorkerEnd {
    OperationResult result = kOperationFailed;
    // Shown one after the other, titled "ERROR", when the worker failed.
    QStringList failureMessages;
    // Runs first on the window thread, whatever the result.
    std::function<void()> atEnd;
    // The operation's success handler; it ends with CompleteSuccessfully.
    std::function<void()> succeeded;
};

class OperationFrame final : public QObject {
    Q_OBJECT

public:
    explicit OperationFrame(const FileCommandPorts& ports, QObject* parent = nullptr);
    // Stops a running worker and waits for it.
    ~OperationFrame() override;
    OperationFrame(const OperationFrame&) = delete;
    OperationFrame& operator=(const OperationFrame&) = delete;

    // The running flag: set from Start until the operation ends or is cancelled.
    bool running() const { return running_.load(); }
    // A worker thread exists (it may have ended and not been waited for yet).
    bool hasWorker() const { return worker_.joinable(); }
    // What the worker is given: the running flag and progress posted to the
    // window thread.
    OperationControl Control();

    // Window thread, after the command's dialogs: bar at 0, controls off,
    // running flag set, work started on the worker thread, main panel hidden.
    // What work returns is handed back to the window thread (Finish).
    void Start(std::function<WorkerEnd()> work);

    // Any thread: queues task to run on the window thread; never waits.
    void Post(std::function<void()> task);
    // Any thread: the bar becomes visible (the worker's work began).
    void PostShowBar();
    // Any thread: the operation ends (End runs on the window thread).
    void PostEnd();

    // Window thread.
    void OnProgress(std::int64_t done, std::int64_t total);
    void Finish(const WorkerEnd& end);
    // The end of every operation, also of one cancelled in its dialogs.
    void End();
    // The user stopped the operation: the flag is cleared, the worker waited
    // for, the completion notice shown when marked and the controls enabled.
    // The worker's own end then completes End. False when nothing runs.
    bool Cancel();
    // The window closes: the worker is told to stop and waited for; nothing
    // it posts afterwards is handled.
    void Shutdown();

    // A success handler's last step: completion mark set, running flag
    // cleared, End posted.
    void CompleteSuccessfully();

    // The join's mark: the end of the operation rewinds the player.
    void SetRestoreMark(bool on) { restoreMark_ = on; }
    bool restoreMark() const { return restoreMark_; }
    bool completionMark() const { return completionMark_; }

    // Called on the worker thread with every progress report before it is
    // posted (tests hold the worker at a known point with it).
    std::function<void(std::int64_t done, std::int64_t total)> onWorkerProgress;

Q_SIGNALS:
    // End finished.
    void ended();

private:
    void JoinWorker();
    void ShowCompletion();

    FileCommandPorts ports_;
    std::atomic<bool> running_{false};
    bool completionMark_ = false;
    bool restoreMark_ = false;
    bool barShown_ = false;
    bool shuttingDown_ = false;
    std::thread worker_;
};

} // namespace kv::app
