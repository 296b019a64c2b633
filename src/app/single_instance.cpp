#include "app/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace orv {

namespace {

// The request: a greeting, then each file as a file URL on a line of its own (a file name
// may hold a line break; its URL does not), then an empty line. The answer is one line.
constexpr char kGreeting[] = "ORVANE-OPEN 1\n";
constexpr char kAnswer[] = "OK\n";
constexpr qint64 kMaxRequest = 1 << 20;
constexpr int kMaxFiles = 1000;
constexpr int kConnectTimeoutMs = 2000;
constexpr int kLockTimeoutMs = 10000;
// A client that never finishes its request is dropped.
constexpr int kReadTimeoutMs = 10000;

QByteArray Request(const QStringList& files)
{
    QByteArray r(kGreeting);
    for (const QString& f : files)
        r += QUrl::fromLocalFile(f).toEncoded() + '\n';
    return r + '\n';
}

enum class Parsed { Incomplete, Done, Bad };

Parsed ParseRequest(const QByteArray& data, QStringList& files)
{
    const QByteArray greeting(kGreeting);
    if (!data.startsWith(greeting))
        return greeting.startsWith(data) ? Parsed::Incomplete : Parsed::Bad;
    files.clear();
    for (qsizetype pos = greeting.size();;) {
        const qsizetype end = data.indexOf('\n', pos);
        if (end < 0)
            return Parsed::Incomplete;
        if (end == pos)
            return Parsed::Done;
        const QUrl url = QUrl::fromEncoded(data.mid(pos, end - pos), QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile() || files.size() >= kMaxFiles)
            return Parsed::Bad;
        files.append(url.toLocalFile());
        pos = end + 1;
    }
}

}  // namespace

QString InstanceSocketPath()
{
    // Qt makes sure the runtime folder is the user's own (mode 0700), making one in the
    // temporary folder when the session names none.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    QString display = QGuiApplication::platformName() + QLatin1Char('-') + qEnvironmentVariable("WAYLAND_DISPLAY") +
                      QLatin1Char('-') + qEnvironmentVariable("DISPLAY");
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    display.replace(unsafe, QStringLiteral("_"));
    return QDir(folder).filePath(QStringLiteral("orvane-") + display);
}

CInstanceServer::CInstanceServer(QObject* parent) : QObject(parent) {}

CInstanceServer::~CInstanceServer() = default;

CInstanceServer::Role CInstanceServer::Claim(const QString& socketPath, const QStringList& files, int answerTimeoutMs)
{
    if (socketPath.isEmpty())
        return Role::Alone;
    // Two starts at once: the second waits here until the first listens, then hands over.
    QLockFile lock(socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockTimeoutMs))
        return Role::Alone;

    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        lock.unlock();
        socket.write(Request(files));
        socket.flush();
        QByteArray answer;
        const QDeadlineTimer deadline(answerTimeoutMs);
        while (!answer.contains('\n') && socket.state() == QLocalSocket::ConnectedState &&
               socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            answer += socket.readAll();
        answer += socket.readAll();
        if (answer.startsWith(kAnswer))
            return Role::Handed;
        qWarning("orvane: the running editor did not answer; this one runs on its own");
        return Role::Alone;
    }
    if (socket.error() != QLocalSocket::ServerNotFoundError && socket.error() != QLocalSocket::ConnectionRefusedError)
        return Role::Alone;
    // Nobody answers there: a socket left by an editor that ended without closing it.
    QLocalServer::removeServer(socketPath);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath)) {
        delete server;
        return Role::Alone;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &CInstanceServer::Accept);
    return Role::First;
}

void CInstanceServer::SetHandler(std::function<void(const QStringList&)> handler)
{
    handler_ = std::move(handler);
    const QList<QStringList> waiting = std::exchange(waiting_, {});
    for (const QStringList& files : waiting)
        Deliver(files);
}

void CInstanceServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        QTimer::singleShot(kReadTimeoutMs, socket, [socket] { socket->abort(); });
        Read(socket);
    }
}

void CInstanceServer::Read(QLocalSocket* socket)
{
    const QByteArray data = socket->peek(kMaxRequest + 1);
    QStringList files;
    const Parsed parsed = data.size() > kMaxRequest ? Parsed::Bad : ParseRequest(data, files);
    if (parsed == Parsed::Incomplete)
        return;
    socket->readAll();
    if (parsed == Parsed::Bad) {
        socket->abort();
        return;
    }
    // Answered at once: the start waiting for it ends, whatever opening the files asks.
    // A start that gave up waiting (this editor was busy) has closed its end and runs an
    // editor of its own: the answer does not get through, and its files are not opened
    // here too.
    socket->write(kAnswer);
    socket->flush();
    if (socket->state() != QLocalSocket::ConnectedState) {
        socket->abort();
        return;
    }
    socket->disconnectFromServer();
    Deliver(files);
}

void CInstanceServer::Deliver(const QStringList& files)
{
    if (!handler_) {
        waiting_.append(files);
        return;
    }
    // Later, from the event loop: opening may ask questions, whose loops must not run
    // inside this socket's signal.
    QTimer::singleShot(0, this, [this, files] {
        if (handler_)
            handler_(files);
    });
}

}  // namespace orv
