#pragma once
// Texts of the program's own that the language files do not hold. They follow the language chosen on the
// settings page: German, English or Italian, and English for a language file of the user's own.

#include <QString>

enum class OwnText { ConnectionLost, OtherTypeFound, WaitingForEntry, RowsRecovered };

// languageCode: "DE", "EN", "IT"; anything else gives English. OtherTypeFound takes the type found and the
// one selected as %1 and %2, RowsRecovered the number of rows as %1.
QString ownText(OwnText text, const QString& languageCode);
