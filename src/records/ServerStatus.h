#pragma once
// What the status line says about the plant's records server.

#include <QString>

namespace records {

// What the server refused and this PC set aside: tried once more at the next start of the program.
struct Refused {
    int records = 0;
    int notes = 0;
    QString reason; // the server's, for the first of them

    bool operator==(const Refused&) const = default;
};

struct ServerStatus {
    enum class State {
        Sent,         // everything this PC stored is on the server, but what it refused
        Waiting,      // records wait to be sent, or in flight; with a reason: the server or the local
                      // database failed in some other way
        Unreachable,  // the server does not answer; records wait
        LoginRefused, // the server refuses the login; records wait
    };
    State state = State::Waiting;
    int waiting = 0; // records and notes not yet on the server, the refused ones aside
    QString reason;  // why not, in the words of the server or the local database
    Refused refused;

    bool operator==(const ServerStatus&) const = default;
};

// The status line text in the program's language ("DE", "EN", "IT").
QString serverStatusText(const ServerStatus& status, const QString& languageCode);

} // namespace records
