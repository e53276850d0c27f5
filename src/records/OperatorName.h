#pragma once
// Who takes the records: the name remembered in Records.ini, else the login's full name as the system
// keeps it. The file is written only when the user changes the name, and whole or not at all.

#include <QString>

namespace records {

// The full name of the login (the account's comment field up to its first comma), else the login name.
QString systemOperatorName();
// The operator line of the file, else the system's name. A file that cannot be read counts as empty.
QString rememberedOperator(const QString& iniPath);
// Sets the operator line, keeping every other line; written to a temporary file and renamed over the old
// one, so a crash or a full disk leaves the old file as it was. False with the reason when it failed.
bool rememberOperator(const QString& iniPath, const QString& name, QString* error);

} // namespace records
