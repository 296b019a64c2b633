// One editor per user and display. The first start listens on a local socket of the user's
// own; a later start hands its files to it (the running editor opens them and comes to the
// front) and ends, so that there is one clipboard, one undo list per model and one writer
// of the settings.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace orv {

// The socket for this user and display: in the user's private runtime folder, named for
// the window system and the display, so that an editor on another display (or a test on a
// virtual one) is another editor.
QString InstanceSocketPath();

class CInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit CInstanceServer(QObject* parent = nullptr);
    ~CInstanceServer() override;

    enum class Role {
        First,   // no editor was running: this one listens
        Handed,  // the running editor took the files: this start ends
        Alone,   // no hand-over and no listening (the socket's folder is unusable, or the
                 // running editor does not answer): this start runs on its own
    };
    // Decides a start's role. Under a lock beside the socket, so that of two starts at
    // once one listens and the other hands over to it; a socket left by an editor that
    // crashed (nobody answers on it) is replaced.
    Role Claim(const QString& socketPath, const QStringList& files, int answerTimeoutMs = 20000);

    // Receives the files of later starts. Those that arrive before it is set (while the
    // window is being made) wait for it.
    void SetHandler(std::function<void(const QStringList& files)> handler);

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Deliver(const QStringList& files);

    QLocalServer* server_ = nullptr;
    std::function<void(const QStringList&)> handler_;
    QList<QStringList> waiting_;
};

}  // namespace orv
