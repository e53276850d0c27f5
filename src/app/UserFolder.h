#pragma once
// Started from the desktop menu, the program would find itself in the home folder and spread its settings,
// language files and journal there. With --user-folder it works in a folder of its own under the user's
// data folder instead; started from a terminal it keeps working in the folder it was started in.

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace user_folder {

// $XDG_DATA_HOME/Vantoria, or ~/.local/share/Vantoria where XDG_DATA_HOME is unset, empty or relative (a
// relative one is to be ignored, say the XDG rules).
QString path(const QString& xdgDataHome, const QString& home);

// The user's folder on this system: path() of the environment's XDG_DATA_HOME on Linux; on Windows
// %LOCALAPPDATA%\Vantoria, which stays on this PC, as the settings name its COM port.
QString systemPath();

// Why the program cannot keep its files in the folder, which is made first where it is missing; empty when
// it can. A folder that exists but takes no written byte (read-only, full disk) cannot be used either: the
// settings and the journal written at the end would be lost without a word.
QString problemWith(const QString& folder);

// A temporary folder that is removed with this object. Windows removes no folder that is a program's
// working folder, so one that still is steps out of it first.
class StandIn : public QTemporaryDir {
public:
    using QTemporaryDir::QTemporaryDir;
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
};

struct Entered {
    QString problem;                  // empty: the user's folder is now the working folder
    std::unique_ptr<StandIn> standIn; // else the working folder, removed at the end of the program
};

// A temporary folder with a copy of whatever settings, language files and journal the folder holds, so the
// user keeps their settings and unsaved rows for this run, and a link to its ports/ folder, so the amplifier
// keeps its COM number; null where none can be made.
std::unique_ptr<StandIn> standInFor(const QString& folder);

// Makes the folder the working folder. Where it cannot be used, its stand-in is.
Entered enter(const QString& folder);

} // namespace user_folder
