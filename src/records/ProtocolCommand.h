#pragma once
// `vantoria --protocol last|<id> FILE.pdf`: a quality system asks for the protocol of a check from a shell,
// with no window and no display. Runs with a QGuiApplication on the offscreen platform.

#include <QString>

namespace records {

// The language of the settings in `folder` ("DE", "EN", "IT"; anything else reads as English), followed into
// the custom settings file when the default one names it, as the program does at start-up.
QString settingsLanguageIn(const QString& folder);

// Writes the protocol of the newest record (`which` "last") or of the record with the id `which` from
// `folder`'s Vantoria.db to `file`, with the trend of its machine's last records up to it, in the settings'
// language. A record named by its id that this folder does not hold is looked for on the server that
// Records.ini names, with its trend from there. Never makes a database where there is none. 0 when
// written; else the reason on stderr and 1.
int protocolCommand(const QString& folder, const QString& which, const QString& file);

} // namespace records
