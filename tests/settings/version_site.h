#pragma once

// A small web site of version texts for the update check's tests, served on
// 127.0.0.1 from the test's own thread.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace kv::settings::test {

// A web site of version texts: GET of a known path answers 200 with its
// body, any other path 404. It runs on the test's thread, which keeps its
// event loop turning while the check runs.
class VersionSite {
public:
    VersionSite() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
    }

    void Serve(QStringView path, const QByteArray& body) { files_[path.toString()] = body; }
    // Requests are read but never answered.
    void Hang() { hang_ = true; }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    const QStringList& requested() const { return requested_; }

private:
    void Accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                request->append(socket->readAll());
                if (request->contains("\r\n\r\n")) {
                    Answer(socket, *request);
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void Answer(QTcpSocket* socket, const QByteArray& request) {
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        const QString path = words.size() >= 2 ? QString::fromLatin1(words[1]) : QString();
        requested_.append(path);
        if (hang_) {
            return;
        }
        const auto file = files_.find(path);
        QByteArray answer;
        if (file != files_.end()) {
            answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                     QByteArray::number(file->second.size()) + "\r\nConnection: close\r\n\r\n" +
                     file->second;
        } else {
            answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        }
        socket->write(answer);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    std::map<QString, QByteArray> files_;
    QStringList requested_;
    bool hang_ = false;
};

} // namespace kv::settings::test
