#pragma once

#include <QObject>
#include <QThread>
#include <QUrl>

#include <atomic>

namespace kv::map {

class ConnectionProbe;

// Tests once a second, on a thread of its own, whether the map service can be
// reached, while enabled (the map display is on). The window thread reads
// enabled and connected without waiting; a result one second old is fine.
class CInetConnectionAsync : public QObject {
    Q_OBJECT

public:
    // target: the map service's root. useSystemProxy: through the desktop's
    // proxy settings (tests talking to a local server switch it off).
    explicit CInetConnectionAsync(QUrl target, bool useSystemProxy = true,
                                  QObject* parent = nullptr);
    ~CInetConnectionAsync() override; // stops the checker and waits for it

    // Starts the once-a-second checks (not started by the constructor, so
    // that tests can drive the flags themselves).
    void Start();
    bool running() const { return thread_.isRunning(); }

    // Mirrors the map display switch. Off: not connected at once.
    void SetEnabled(bool on);
    // Tests now, on the checker's thread; returns at once. Not enabled: not
    // connected.
    void CheckConnection();

    std::atomic<int> enabled{0};
    std::atomic<int> connected{0};

Q_SIGNALS:
    // A test ended (emitted on the checker's thread).
    void checked(bool connected);

private:
    QThread thread_;
    ConnectionProbe* probe_ = nullptr; // lives on thread_
};

} // namespace kv::map
