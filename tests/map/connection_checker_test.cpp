// The connection checker against a local web server: reachable, unreachable,
// and switched off.

#include "inet_connection_async.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace kv::map {
namespace {

// Answers every request with an empty 404: any answer means reachable.
class TinyServer {
public:
    TinyServer() {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                                  "Connection: close\r\n\r\n");
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        server_.listen(QHostAddress::LocalHost);
    }
    QUrl Url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()));
    }

private:
    QTcpServer server_;
};

// The checker's next result (runs the event loop until it comes).
bool NextResult(CInetConnectionAsync& checker) {
    QSignalSpy spy(&checker, &CInetConnectionAsync::checked);
    checker.CheckConnection();
    const QDeadlineTimer deadline(20000);
    while (spy.isEmpty() && !deadline.hasExpired()) {
        spy.wait(100);
    }
    EXPECT_FALSE(spy.isEmpty()) << "no result";
    return !spy.isEmpty() && spy.takeLast().at(0).toBool();
}

TEST(ConnectionChecker, ReachableUnreachableAndSwitchedOff) {
    TinyServer server;
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QUrl nobody = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort()));
    closed.close();

    struct Case {
        const char* name;
        QUrl target;
        bool enabled;
        bool want;
    };
    const std::vector<Case> cases = {
        {"server answers", server.Url(), true, true},
        {"nobody listens", nobody, true, false},
        {"switched off", server.Url(), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CInetConnectionAsync checker(c.target, false);
        checker.SetEnabled(c.enabled);
        checker.Start();
        EXPECT_EQ(NextResult(checker), c.want);
        EXPECT_EQ(checker.connected.load(), c.want ? 1 : 0);
    }
}

TEST(ConnectionChecker, SwitchingOffForgetsTheConnectionAtOnce) {
    TinyServer server;
    CInetConnectionAsync checker(server.Url(), false);
    checker.SetEnabled(true);
    checker.Start();
    ASSERT_TRUE(NextResult(checker));
    checker.SetEnabled(false);
    EXPECT_EQ(checker.connected.load(), 0);
    EXPECT_FALSE(NextResult(checker));
}

} // namespace
} // namespace kv::map
