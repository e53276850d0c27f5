#pragma once
// What the status line says about the plant's records server.

#include <QString>

namespace records {

struct ServerStatus {
    enum class State {
        Sent,         // everything this PC stored is on the server
        Waiting,      // records wait to be sent (or the local database could not be read)
        Unreachable,  // the server does not answer; records wait
        LoginRefused, // the server refuses the login; records wait
    };
    State state = State::Waiting;
    int waiting = 0; // records and notes not yet on the server
    QString reason;  // why not, in the words of the server or the local database

    bool operator==(const ServerStatus&) const = default;
};

// The status line text in the program's language ("DE", "EN", "IT").
QString serverStatusText(const ServerStatus& status, const QString& languageCode);

} // namespace records
