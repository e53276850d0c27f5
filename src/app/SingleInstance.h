#pragma once
// One instance per working folder. The instance holding the folder's lock listens on a local socket named
// after the folder; a second start asks it there to bring its window to the front, and ends.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace single_instance {

// The socket's name for a working folder. It lives in the abstract namespace: the folder needs no file for
// it (a read-only one works too), the path's length does not matter, and no stale socket outlives a crash.
QString serverName(const QString& folder);

// The first instance's side: answers every request and passes it on as raiseRequested.
class FirstInstance : public QObject {
    Q_OBJECT
public:
    explicit FirstInstance(const QString& folder, QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }

signals:
    void raiseRequested();

private:
    void onNewConnection();

    QLocalServer server_;
};

// The second start's side: true when the first instance answered within timeoutMs.
bool askFirstToRaise(const QString& folder, int timeoutMs);

} // namespace single_instance
