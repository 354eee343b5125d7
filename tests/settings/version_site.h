#pragma once

// A small web site of version texts for the update check's tests, served on
// 127.0.0.1 from the test's own thread, over plain HTTP or over HTTPS with the
// certificate in data/ (made for 127.0.0.1, valid 2000-2199).

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>

namespace kv::settings::test {

// A file of data/ beside this header.
inline QByteArray TestData(const char* name) {
    QFile file(QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() + QStringLiteral("/data/") +
               QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The certificate the HTTPS site presents; a client trusts it by adding it.
inline QSslCertificate SiteCertificate() {
    return QSslCertificate(TestData("update_site_cert.pem"), QSsl::Pem);
}

enum class Scheme { Http, Https };

// A web site of version texts: GET of a known path answers 200 with its
// body, any other path 404. It runs on the test's thread, which keeps its
// event loop turning while the check runs.
class VersionSite {
public:
    explicit VersionSite(Scheme scheme = Scheme::Http) : scheme_(scheme) {
        if (scheme == Scheme::Https) {
            auto* tls = new QSslServer;
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificate(SiteCertificate());
            config.setPrivateKey(QSslKey(TestData("update_site_key.pem"), QSsl::Rsa));
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            tls->setSslConfiguration(config);
            server_.reset(tls);
        } else {
            server_ = std::make_unique<QTcpServer>();
        }
        EXPECT_TRUE(server_->listen(QHostAddress::LocalHost, 0));
        QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable,
                         [this] { Accept(); });
    }

    void Serve(QStringView path, const QByteArray& body,
               const QByteArray& contentType = "text/plain") {
        files_[path.toString()] = {body, contentType};
    }
    // Requests are read but never answered.
    void Hang() { hang_ = true; }

    // The host setting that names this site, with its scheme.
    QString host() const {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(scheme_ == Scheme::Https ? QStringLiteral("https") : QStringLiteral("http"))
            .arg(server_->serverPort());
    }
    const QStringList& requested() const { return requested_; }

private:
    void Accept() {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
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
        const auto file = files_.find(path.section(u'?', 0, 0)); // the query is not the file
        QByteArray answer;
        if (file != files_.end()) {
            const auto& [body, type] = file->second;
            answer = "HTTP/1.1 200 OK\r\nContent-Type: " + type +
                     "\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\nConnection: close\r\n\r\n" + body;
        } else {
            answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        }
        socket->write(answer);
        socket->disconnectFromHost();
    }

    Scheme scheme_;
    std::unique_ptr<QTcpServer> server_;
    std::map<QString, std::pair<QByteArray, QByteArray>> files_; // body, content type
    QStringList requested_;
    bool hang_ = false;
};

} // namespace kv::settings::test
