#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The source watcher: a thread that looks every 100 ms whether the source
// still exists, and reports once when it has gone (the card was pulled, the
// folder removed). Opening a source arms it again.
namespace kv::browser {

class CMovieResource : public QObject {
    Q_OBJECT

public:
    // Whether the watched source is still there; by default the path exists.
    // For a card, the caller also checks that the volume is still mounted.
    using Presence = std::function<bool(const QString& path)>;

    explicit CMovieResource(std::chrono::milliseconds period = std::chrono::milliseconds(100),
                            QObject* parent = nullptr);
    // Stops the thread and waits for it (it ends within one period).
    ~CMovieResource() override;

    // Starts watching path (empty: nothing), with presence as the test.
    void Watch(const QString& path, Presence presence = {});
    QString watchedPath() const;

    bool sourceLost() const { return sourceLost_.load(); }
    void ClearSourceLost() { sourceLost_.store(false); }

    static bool PathExists(const QString& path);

Q_SIGNALS:
    // Posted from the watcher thread, delivered on the object's thread.
    void sourceVanished();

private:
    void Run();

    std::chrono::milliseconds period_;
    mutable std::mutex mutex_; // guards path_ and presence_, which both threads touch
    QString path_;
    Presence presence_;
    std::atomic<bool> sourceLost_{false};
    std::atomic<bool> stopRequested_{false};
    std::mutex sleepMutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

} // namespace kv::browser
