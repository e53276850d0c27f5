#pragma once
// The data log's safety copy in the working folder: every row is written to it the moment it is logged
// and forced to the disk at least once a second, so neither a crash nor a power cut costs the recording.
// It is emptied with the log and removed when the program ends normally; rows found in it at start-up are
// those of a recording that did not end normally.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>

class Journal {
public:
    static constexpr const char* DefaultFileName = "Vantoria.journal";
    static constexpr qint64 SyncIntervalMs = 1000;

    explicit Journal(QString path = QString::fromLatin1(DefaultFileName));
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The rows left by an earlier run, oldest first. A last line cut short by the crash is dropped, from
    // the file too, so the recording continues on a clean line.
    QStringList recover();
    void append(const QByteArray& row);
    // Forces what was written to the disk when the last time is a second ago or more.
    void syncIfDue();
    void clear();
    // The rows anew, after they were edited.
    void rewrite(const QByteArray& rows);
    void remove();
    // Told, with the system's reason, when rows can no longer be written; once until the log is cleared.
    void onFailure(std::function<void(const QString& reason)> notify) { notify_ = std::move(notify); }

private:
    bool open();
    void write(const QByteArray& bytes);
    void fail(int error);

    QString path_;
    int fd_ = -1;
    bool unsynced_ = false;
    bool failureTold_ = false;
    std::function<void(const QString&)> notify_;
    QElapsedTimer sinceSync_;
};
