#pragma once

// Pages, HTML files, FTP settings and the queue of one upload run, in a
// temporary folder with its own settings store.

#include "TestFtpServers.h"
#include "settings/SettingsStore.h"
#include "upload/UploadRun.h"
#include "upload/UploadStore.h"

#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QTcpSocket>
#include <memory>

// Japanese texts of the run (UTF-8 escapes keep the sources ASCII).
#define JA_DONE "\xe5\xae\x8c\xe4\xba\x86"
#define JA_FAILED "\x2a\xe5\xa4\xb1\xe6\x95\x97\x2a"
#define JA_CLOSE "\xe9\x96\x89\xe3\x81\x98\xe3\x82\x8b"
#define JA_NO_FOLDER "\xe3\x83\x95\xe3\x82\xa9\xe3\x83\xab\xe3\x83\x80\xe3\x81\x8c\xe4\xbd\x9c\xe6\x88\x90\xe3\x81\xa7\xe3\x81\x8d\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93\xe3\x81\xa7\xe3\x81\x97\xe3\x81\x9f\xe3\x80\x82"
#define JA_NO_UPLOAD "\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83\xad\xe3\x83\xbc\xe3\x83\x89\xe3\x81\xa7\xe3\x81\x8d\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93\xe3\x81\xa7\xe3\x81\x97\xe3\x81\x9f\xe3\x80\x82"
#define JA_AUTH_FAILED_TAV "\xe3\x83\xa6\xe3\x83\xbc\xe3\x82\xb6\x20\x74\x61\x76\x20\xe3\x81\xae\xe8\xaa\x8d\xe8\xa8\xbc\xe3\x81\xab\xe5\xa4\xb1\xe6\x95\x97\xe3\x81\x97\xe3\x81\xbe\xe3\x81\x97\xe3\x81\x9f\xe3\x80\x82"
#define JA_NO_SERVER "\x46\x54\x50\x20\xe3\x82\xb5\xe3\x83\xbc\xe3\x83\x90\xe3\x81\xae\xe8\xa8\xad\xe5\xae\x9a\xe3\x81\x8c\xe3\x81\x82\xe3\x82\x8a\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93\xe3\x80\x82"
#define JA_UNKNOWN_FORMAT "\xe5\xaf\xbe\xe5\xbf\x9c\xe3\x81\x97\xe3\x81\xa6\xe3\x81\x84\xe3\x81\xaa\xe3\x81\x84\xe5\xbd\xa2\xe5\xbc\x8f\xe3\x81\x8b\xe3\x80\x81\xe6\x96\xb0\xe3\x81\x97\xe3\x81\x84\xe3\x83\x90\xe3\x83\xbc\xe3\x82\xb8\xe3\x83\xa7\xe3\x83\xb3\xe3\x81\xae\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab\xe3\x81\xa7\xe3\x81\x99\xe3\x80\x82"
#define JA_CANNOT_UPLOAD "\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83\xad\xe3\x83\xbc\xe3\x83\x89\xe4\xb8\x8d\xe8\x83\xbd"
// Shift_JIS bytes of the SSTP scripts.
#define SJIS_START "\x83\x41\x83\x62\x83\x76\x83\x8d\x81\x5b\x83\x68\x82\xf0\x8a\x4a\x8e\x6e\x81\x42"
#define SJIS_ALL_DONE "\x83\x41\x83\x62\x83\x76\x83\x8d\x81\x5b\x83\x68\x82\xaa\x91\x53\x95\x94\x90\xb3\x8f\xed\x82\xc9\x8f\x49\x97\xb9\x81\x42"
#define SJIS_FAILED "\x83\x41\x83\x62\x83\x76\x83\x8d\x81\x5b\x83\x68\x8e\xb8\x94\x73\x81\x42"

class UploadFixture {
public:
    // The store lies where the program looks for it when XDG_CONFIG_HOME is
    // configHome().
    UploadFixture() : store(dir_.filePath(QStringLiteral("config/Tav/QUIB.conf"))) {}
    QString configHome() const { return dir_.filePath(QStringLiteral("config")); }

private:
    QTemporaryDir dir_;

public:
    QSettingsStore store;

    QString path(const QString& name) const { return dir_.filePath(name); }

    // A page file of the given version naming its HTML file, FTP setting and
    // remote folder; the HTML file is written with `html`.
    QString addPage(const QString& name, const SjisString& setting, const SjisString& folder,
                    const QByteArray& html = "<html>page</html>\r\n", const char* version = "1.4")
    {
        const QString htmlPath = path(name + QStringLiteral(".html"));
        WriteTestFile(htmlPath, html);
        QByteArray bytes = QByteArray("Tav Outliner ") + version;
        auto field = [&bytes](const QByteArray& f) { bytes += f + '\xff'; };
        field(":header");
        field(("Title " + name).toUtf8());
        field(htmlPath.toUtf8());
        field("Category");
        field("");
        field("T");
        if (QByteArray(version) == "1.2") {
            field("a.css"); field("a.js"); field("F"); field("F");
        } else {
            field("T"); field("F"); field("F"); field("a.css"); field("a.js"); field("F"); field("F");
        }
        field(QByteArray::fromStdString(setting));
        field(QByteArray::fromStdString(folder));
        field("");
        field("node\r\n");
        field("");
        const QString pagePath = path(name + QStringLiteral(".data"));
        WriteTestFile(pagePath, bytes);
        UpdateQueueAfterSave(store, pagePath.toStdString(), true);
        return pagePath;
    }

    void addServer(const SjisString& setting, quint16 port, const QString& user, const QString& password,
                   bool passive = true)
    {
        FtpSetting s;
        s.HostName = "127.0.0.1:" + std::to_string(port);
        s.UserName = user.toStdString();
        s.PassWord = password.toStdString();
        s.UsePasv = passive;
        WriteFtpSetting(store, setting, s);
    }

    // Starts `server` in the given fault mode and names it in the FTP
    // setting "main"; false when the server did not come up.
    bool serve(PyFtpServer& server, const QString& fault = QStringLiteral("none"), bool passive = true)
    {
        if (!server.start(fault))
            return false;
        addServer("main", server.port(), server.user, server.password, passive);
        return true;
    }

    // Starts `tavpub upload` with `args` on this store (TAVPUB_PATH: the
    // tests that call it depend on tavpub).
    void startTavpubUpload(QProcess& tavpub, const QStringList& args = {})
    {
        store.flush();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        tavpub.setProcessEnvironment(env);
        tavpub.start(QStringLiteral(TAVPUB_PATH), QStringList{QStringLiteral("upload")} + args);
    }

    // Syncs first: another process may have written the store.
    size_t queued() { store.flush(); return ReadUploadQueue(store).size(); }
};

// A companion stand-in on 127.0.0.1:11000 that keeps what it received and
// answers every request with the given reply, or misbehaves as asked. A test
// that cannot take the port fails: it would otherwise talk to whatever holds
// it, or pass without a companion.
class SstpListener : public QObject {
public:
    enum Manner {
        Answers,  // the reply, then the close
        Trickles, // the reply one byte a second, never closing
        Silent,   // takes the request and never answers
        Floods,   // an endless reply (until FloodLimit), never closing
    };
    // Old notifiers read a flood until it pauses: it must end somewhere.
    static constexpr qint64 FloodLimit = qint64(64) << 20;

    explicit SstpListener(QByteArray reply = "SSTP/1.4 200 OK\r\n", Manner manner = Answers)
        : reply_(std::move(reply)), manner_(manner)
    {
        if (!server_.listen(QHostAddress::LocalHost, 11000))
            QTest::qFail(qPrintable(QStringLiteral("the companion's port 127.0.0.1:11000 is taken: ")
                                    + server_.errorString()),
                         __FILE__, __LINE__);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    received_[s] += s->readAll();
                    if (received_[s].endsWith("\r\n\r\n")) {
                        // Taken out: a later connection may get the same address.
                        requests << received_.take(s);
                        Answer(s);
                    }
                });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    bool listening() const { return server_.isListening(); }
    QList<QByteArray> requests;
    int replyDelayMs = 0;

private:
    void Answer(QTcpSocket* s)
    {
        switch (manner_) {
        case Answers:
            // A slow companion keeps the request in flight a while.
            QTimer::singleShot(replyDelayMs, s, [this, s] {
                s->write(reply_);
                s->disconnectFromHost();
            });
            break;
        case Trickles: {
            auto* timer = new QTimer(s);
            QObject::connect(timer, &QTimer::timeout, s, [this, s, sent = qsizetype(0)]() mutable {
                s->write(reply_.mid(sent++ % reply_.size(), 1));
            });
            timer->start(1000);
            break;
        }
        case Silent:
            break;
        case Floods: {
            auto sent = std::make_shared<qint64>(0);
            auto flood = [this, s, sent] {
                if (s->bytesToWrite() > 0 || *sent >= FloodLimit)
                    return;
                *sent += s->write(*sent == 0 ? reply_ + QByteArray(65536, 'x') : QByteArray(65536, 'x'));
            };
            QObject::connect(s, &QTcpSocket::bytesWritten, s, flood);
            flood();
            break;
        }
        }
    }

    QTcpServer server_;
    QByteArray reply_;
    Manner manner_;
    QHash<QTcpSocket*, QByteArray> received_;
};
