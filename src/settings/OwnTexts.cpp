#include "settings/OwnTexts.h"

namespace {
struct Texts {
    const char* german;
    const char* english;
    const char* italian;
};
const Texts All[] = {
    {"Verbindung verloren, neuer Versuch l\u00e4uft", "Connection lost, trying again",
     "Connessione persa, nuovo tentativo in corso"},
    {"Gefunden: %1, gew\u00e4hlt: %2", "Found %1, selected %2", "Trovato %1, selezionato %2"},
    {"Messwerte warten auf die Eingabe", "Readings wait for the entry", "Le misure attendono l'inserimento"},
    {"Das Datenlog enth\u00e4lt wieder die %1 Zeilen der letzten Aufzeichnung, die nicht regul\u00e4r "
     "endete. "
     "Speichern Sie sie mit der CSV-Taste auf der Graph-Seite.",
     "The data log holds again the %1 rows of the last recording, which did not end normally. Save them with "
     "the CSV button on the graph page.",
     "Il registro dati contiene di nuovo le %1 righe dell'ultima registrazione, che non si \u00e8 conclusa "
     "normalmente. Salvarle con il pulsante CSV della pagina del grafico."},
};
} // namespace

QString ownText(OwnText text, const QString& languageCode) {
    const Texts& texts = All[static_cast<int>(text)];
    const char* chosen = languageCode == QLatin1String("DE")   ? texts.german
                         : languageCode == QLatin1String("IT") ? texts.italian
                                                               : texts.english;
    return QString::fromUtf8(chosen);
}
