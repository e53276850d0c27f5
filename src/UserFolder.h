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

// Why the program cannot keep its files in the folder, which is made first where it is missing; empty when
// it can. A folder that exists but takes no written byte (read-only, full disk) cannot be used either: the
// settings and the journal written at the end would be lost without a word.
QString problemWith(const QString& folder);

struct Entered {
    QString problem;                        // empty: the user's folder is now the working folder
    std::unique_ptr<QTemporaryDir> standIn; // else the working folder, removed at the end of the program
};

// A temporary folder with a copy of whatever settings, language files and journal the folder holds, so the
// user keeps their settings and unsaved rows for this run, and a link to its ports/ folder, so the amplifier
// keeps its COM number; null where none can be made.
std::unique_ptr<QTemporaryDir> standInFor(const QString& folder);

// Makes the folder the working folder. Where it cannot be used, its stand-in is.
Entered enter(const QString& folder);

} // namespace user_folder
