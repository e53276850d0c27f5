#include "graph/Journal.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

namespace {
#ifdef _WIN32
// Binary, or the C runtime would write every line end as CR LF; a wide name, or a folder with letters outside
// the code page could not be opened.
int openForAppend(const QString& path) {
    return ::_wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                    O_WRONLY | O_CREAT | O_APPEND | O_BINARY | O_NOINHERIT, 0644);
}
int syncData(int fd) { return ::_commit(fd); }
#else
int openForAppend(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}
int syncData(int fd) { return ::fdatasync(fd); }
#endif
} // namespace

Journal::Journal(QString path) : path_(std::move(path)) { sinceSync_.start(); }

Journal::~Journal() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool Journal::open() {
    if (fd_ < 0)
        fd_ = openForAppend(path_);
    return fd_ >= 0;
}

void Journal::write(const QByteArray& bytes) {
    // The journal is a safety net: when the folder cannot take it the recording still goes on in memory.
    if (!open())
        return fail(errno);
    const off_t before = ::lseek(fd_, 0, SEEK_END);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // Half a row would be glued to the next one once space returns, and recovered as one merged row.
            if (before >= 0)
                static_cast<void>(::ftruncate(fd_, before));
            return fail(error);
        }
        done += n;
    }
    unsynced_ = true;
}

void Journal::fail(int error) {
    if (failureTold_ || !notify_)
        return;
    failureTold_ = true;
    notify_(QString::fromLocal8Bit(std::strerror(error)));
}

QStringList Journal::recover() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    if (end < bytes.size())
        QFile::resize(path_, end);
    QStringList rows = QString::fromUtf8(bytes.left(end)).split(QLatin1Char('\n'));
    rows.removeLast(); // after the last line end
    return rows;
}

void Journal::append(const QByteArray& row) { write(row + '\n'); }

void Journal::syncIfDue() {
    if (!unsynced_ || sinceSync_.elapsed() < SyncIntervalMs)
        return;
    syncData(fd_);
    unsynced_ = false;
    sinceSync_.restart();
}

void Journal::clear() {
    failureTold_ = false;
    if (open())
        static_cast<void>(::ftruncate(fd_, 0));
}

void Journal::rewrite(const QByteArray& rows) {
    clear();
    write(rows);
}

void Journal::remove() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    QFile::remove(path_);
}
