#include "movie_resource.h"

#include <QFileInfo>
#include <QMetaObject>

namespace kv::browser {

CMovieResource::CMovieResource(std::chrono::milliseconds period, QObject* parent)
    : QObject(parent), period_(period) {
    thread_ = std::thread([this] { Run(); });
}

CMovieResource::~CMovieResource() {
    {
        std::lock_guard lock(sleepMutex_);
        stopRequested_.store(true);
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool CMovieResource::PathExists(const QString& path) {
    return QFileInfo::exists(path);
}

void CMovieResource::Watch(const QString& path, Presence presence) {
    std::lock_guard lock(mutex_);
    path_ = path;
    presence_ = presence ? std::move(presence) : Presence(&CMovieResource::PathExists);
    sourceLost_.store(false);
}

QString CMovieResource::watchedPath() const {
    std::lock_guard lock(mutex_);
    return path_;
}

void CMovieResource::Run() {
    while (true) {
        {
            std::unique_lock lock(sleepMutex_);
            if (wake_.wait_for(lock, period_, [this] { return stopRequested_.load(); })) {
                return;
            }
        }
        QString path;
        Presence presence;
        {
            std::lock_guard lock(mutex_);
            path = path_;
            presence = presence_;
        }
        if (path.isEmpty() || !presence || presence(path)) {
            continue;
        }
        {
            // Report once: the path is forgotten unless a new source replaced it meanwhile.
            std::lock_guard lock(mutex_);
            if (path_ != path) {
                continue;
            }
            path_.clear();
        }
        sourceLost_.store(true);
        // Queued on this object: a report still pending when the watcher goes is dropped.
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT sourceVanished(); }, Qt::QueuedConnection);
    }
}

} // namespace kv::browser
