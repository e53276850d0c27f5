#include "settings/OwnTexts.h"

#include <iterator>

namespace {
struct Texts {
    const char* german;
    const char* english;
    const char* italian;
};
// In the order of OwnText.
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
    {"Bildschirmfoto speichern", "Save a picture of the window", "Salva un'immagine della finestra"},
    {"Bildschirmfoto drucken", "Print a picture of the window", "Stampa un'immagine della finestra"},
    {"Datenlog als CSV speichern", "Save the data log as CSV", "Salva il registro dati come CSV"},
    {"Holmdurchmesser bearbeiten", "Edit the bar diameter", "Modifica il diametro del tirante"},
    {"E-Modul bearbeiten", "Edit the E-modulus", "Modifica il modulo E"},
    {"K-Faktor bearbeiten", "Edit the K-factor", "Modifica il fattore K"},
    {"Toleranz bearbeiten", "Edit the tolerance", "Modifica la tolleranza"},
    {"Taktzeit bearbeiten", "Edit the device tick", "Modifica il ciclo del dispositivo"},
    {"COM-Port w\u00e4hlen", "Choose the COM port", "Scegli la porta COM"},
    {"Ger\u00e4t w\u00e4hlen", "Choose the device", "Scegli il dispositivo"},
    {"Alle jetzt freien COM-Ports f\u00fcr die automatische Suche sperren",
     "Keep every COM port that is free now out of the automatic search",
     "Escludi dalla ricerca automatica tutte le porte COM ora libere"},
    {"Einstellungen in eigener Datei speichern", "Save the settings in a file of their own",
     "Salva le impostazioni in un file proprio"},
    {"Klicken, um eine Sprachdatei zu w\u00e4hlen", "Click to choose a language file",
     "Fare clic per scegliere un file di lingua"},
    {"Y-Maximum", "Y maximum", "Massimo Y"},
    {"Y-Minimum", "Y minimum", "Minimo Y"},
    {"X-Minimum", "X minimum", "Minimo X"},
    {"X-Maximum", "X maximum", "Massimo X"},
    {"Oben links", "Top left", "In alto a sinistra"},
    {"Oben rechts", "Top right", "In alto a destra"},
    {"Unten links", "Bottom left", "In basso a sinistra"},
    {"Unten rechts", "Bottom right", "In basso a destra"},
    {"Info", "About", "Informazioni"},
    {"Vantoria - Zugankerkraft-Anzeige", "Vantoria - tie-bar load display",
     "Vantoria - visualizzazione del carico sui tiranti"},
    {"Hilfe und Fehlermeldungen: siehe Handbuch", "Help and error messages: see the manual",
     "Aiuto e messaggi di errore: vedere il manuale"},
    {"Handbuch", "Manual", "Manuale"},
    {"COM%1 ist keine serielle Schnittstelle", "COM%1 is not a serial port",
     "COM%1 non \u00e8 una porta seriale"},
    {"Vantoria l\u00e4uft in diesem Ordner bereits.", "Vantoria already runs in this folder.",
     "Vantoria \u00e8 gi\u00e0 in esecuzione in questa cartella."},
    {"Der Datei \"%1\" fehlten Zeilen; sie wurden aus den Standardeinstellungen erg\u00e4nzt.",
     "The file \"%1\" lacked lines; they were completed from the default settings.",
     "Al file \"%1\" mancavano righe; sono state completate con le impostazioni predefinite."},
    {"Die Datei \"%1\" war keine Einstellungsdatei. Sie wurde als \"%2\" aufbewahrt und durch die "
     "Standardeinstellungen ersetzt.",
     "The file \"%1\" was no settings file. It was kept as \"%2\" and replaced by the default settings.",
     "Il file \"%1\" non era un file di impostazioni. \u00c8 stato conservato come \"%2\" e sostituito dalle "
     "impostazioni predefinite."},
    {"Zur Standard-Einstellungsdatei zur\u00fcckkehren?", "Go back to the default settings file?",
     "Tornare al file di impostazioni predefinito?"},
    {"Stattdessen gilt die mitgelieferte Sprachdatei \"%1\".", "The built-in language file \"%1\" stands in.",
     "Al suo posto vale il file di lingua incorporato \"%1\"."},
    {"Vantoria kann nicht in seinen Ordner \"%1\" schreiben (%2). Es l\u00e4uft mit einer "
     "vor\u00fcbergehenden "
     "Kopie seiner Einstellungen; \u00c4nderungen werden nicht gespeichert.",
     "Vantoria cannot write to its folder \"%1\" (%2). It runs with a temporary copy of its settings; "
     "changes "
     "are not kept.",
     "Vantoria non pu\u00f2 scrivere nella sua cartella \"%1\" (%2). Funziona con una copia temporanea delle "
     "sue impostazioni; le modifiche non vengono conservate."},
    {"COM%1 von anderem Programm belegt", "COM%1 in use by another program",
     "COM%1 occupata da un altro programma"},
    {"COM%1: kein Zugriff (Gruppe dialout)", "COM%1: no access (group dialout)",
     "COM%1: nessun accesso (gruppo dialout)"},
    {"%1 Zeilen in \"%2\" geschrieben", "%1 rows written to \"%2\"", "%1 righe scritte in \"%2\""},
    {"Die %1 Zeilen des Datenlogs speichern?", "Save the %1 rows of the data log?",
     "Salvare le %1 righe del registro dati?"},
    {"Das Datenlog kann nicht mehr auf der Festplatte gesichert werden (%1). Speichern Sie es mit der "
     "CSV-Taste auf der Graph-Seite.",
     "The data log can no longer be kept safe on the disk (%1). Save it with the CSV button on the graph "
     "page.",
     "Il registro dati non pu\u00f2 pi\u00f9 essere messo al sicuro sul disco (%1). Salvarlo con il pulsante "
     "CSV della pagina del grafico."},
    {"Durchschnittskraft", "Average force", "Forza media"},
    {"Vantoria l\u00e4uft in diesem Ordner bereits, antwortet aber nicht.",
     "Vantoria already runs in this folder but does not answer.",
     "Vantoria \u00e8 gi\u00e0 in esecuzione in questa cartella, ma non risponde."},
    {"Die Sprachdatei \"%1\" hat zu lange Zeilen (%2); sie wurden nach %3 Zeichen abgeschnitten.",
     "The language file \"%1\" has lines that are too long (%2); they were cut after %3 characters.",
     "Il file di lingua \"%1\" ha righe troppo lunghe (%2); sono state troncate dopo %3 caratteri."},
    {"Die Datei \"%1\" hat Zeilen mit mehr als %3 Zeichen (Zeile %2). Sie bleiben in der Datei, wie sie "
     "sind; ein Eingabefeld zeigt nur ihren Anfang.",
     "The file \"%1\" has lines of more than %3 characters (line %2). They stay in the file as they are; an "
     "entry field shows only their start.",
     "Il file \"%1\" ha righe di oltre %3 caratteri (riga %2). Restano nel file come sono; un campo di "
     "inserimento ne mostra solo l'inizio."},
    {"Schlie\u00dfkraftprotokoll", "Clamping force protocol", "Protocollo forza di chiusura"},
    {"Maschine", "Machine", "Macchina"},
    {"Seriennummer", "Serial number", "Numero di serie"},
    {"Kommentar", "Comment", "Commento"},
    {"Bediener", "Operator", "Operatore"},
    {"Datum und Uhrzeit", "Date and time", "Data e ora"},
    {"Verst\u00e4rker", "Amplifier", "Amplificatore"},
    {"Schnittstelle", "Port", "Porta"},
    {"Programm", "Program", "Programma"},
    {"Rechner", "Computer", "Computer"},
    {"Messung", "Measurement", "Misurazione"},
    {"Holm %1", "Tie bar %1", "Tirante %1"},
    {"Mittelwert", "Average", "Valore medio"},
    {"Gesamtkraft", "Total force", "Forza totale"},
    {"Abweichung", "Deviation", "Deviazione"},
    {"Toleranz", "Tolerance", "Tolleranza"},
    {"Ergebnis", "Result", "Esito"},
    {"BESTANDEN", "PASS", "CONFORME"},
    {"NICHT BESTANDEN", "FAIL", "NON CONFORME"},
    {"KEINE BEWERTUNG", "NO VERDICT", "NESSUNA VALUTAZIONE"},
    {"Abweichung %1\u00a0% innerhalb der Toleranz von %2\u00a0%",
     "Deviation %1\u00a0% within the tolerance of %2\u00a0%",
     "Deviazione %1\u00a0% entro la tolleranza del %2\u00a0%"},
    {"Abweichung %1\u00a0% \u00fcber der Toleranz von %2\u00a0%",
     "Deviation %1\u00a0% beyond the tolerance of %2\u00a0%",
     "Deviazione %1\u00a0% oltre la tolleranza del %2\u00a0%"},
    {"Es wurde keine Abweichung angezeigt.", "No deviation was shown.", "Nessuna deviazione visualizzata."},
    {"Es wurde keine Toleranz angezeigt.", "No tolerance was shown.", "Nessuna tolleranza visualizzata."},
    {"Parameter", "Parameters", "Parametri"},
    {"K-Faktor", "K-factor", "Fattore K"},
    {"E-Modul", "E-modulus", "Modulo E"},
    {"Holmdurchmesser", "Bar diameter", "Diametro del tirante"},
    {"Einheit", "Unit", "Unit\u00e0"},
    {"Verlauf: die letzten %1 Messungen dieser Maschine", "Trend: the last %1 records of this machine",
     "Andamento: le ultime %1 registrazioni di questa macchina"},
    {"Notiz", "Note", "Nota"},
    {"Messungs-ID", "Record ID", "ID registrazione"},
    {"Gemessen von / Datum", "Measured by / date", "Misurato da / data"},
    {"Freigabe / Datum", "Approved by / date", "Approvato da / data"},
    {"In diesem Ordner gibt es keine Messdatenbank \"%1\".",
     "There is no records database \"%1\" in this folder.",
     "In questa cartella non c'\u00e8 un database delle registrazioni \"%1\"."},
    {"Die Messdatenbank enth\u00e4lt noch keine Messung.", "The records database holds no record yet.",
     "Il database delle registrazioni non contiene ancora registrazioni."},
    {"Es gibt keine Messung \"%1\".", "There is no record \"%1\".", "Non esiste la registrazione \"%1\"."},
    {"Das Protokoll konnte nicht als \"%1\" geschrieben werden: %2",
     "The protocol could not be written to \"%1\": %2", "Impossibile scrivere il protocollo in \"%1\": %2"},
    {"Der Drucker \"%1\" kann nicht drucken.", "The printer \"%1\" cannot print.",
     "La stampante \"%1\" non pu\u00f2 stampare."},
    {"Protokollserver: %1", "Records server: %1", "Server delle registrazioni: %1"},
    {"Anmeldung abgelehnt", "login refused", "accesso rifiutato"},
    {"nicht erreichbar (%1)", "not reachable (%1)", "non raggiungibile (%1)"},
    {"alles gesendet", "all sent", "tutto inviato"},
    {"%1 warten auf Versand", "%1 waiting", "%1 in attesa"},
    {"%1 vom Server abgelehnt: %2", "%1 refused by the server: %2", "il server ha rifiutato %1: %2"},
    {"1 Protokoll", "1 record", "1 registrazione"},
    {"%1 Protokolle", "%1 records", "%1 registrazioni"},
    {"1 Notiz", "1 note", "1 nota"},
    {"%1 Notizen", "%1 notes", "%1 note"},
    {"%1 und %2", "%1 and %2", "%1 e %2"},
    // Not "PROTOKOLL": the history's "Protokoll (PDF)" writes a protocol, this button stores a measurement.
    {"SPEICHERN", "RECORD", "REGISTRA"},
    {"Die letzte vollst\u00e4ndige Messung speichern (F9)",
     "Store the last complete measurement as a record (F9)",
     "Registra l'ultima misura completa come protocollo (F9)"},
    {"Zuerst eine Messung starten", "Start a measurement first", "Avviare prima una misura"},
    {"Noch keine vollst\u00e4ndige Messung", "No complete measurement yet", "Ancora nessuna misura completa"},
    {"Ein Messwert zeigt E01: nichts zu protokollieren", "A value shows E01: nothing to record",
     "Un valore mostra E01: niente da registrare"},
    {"Ein Einzelwert zeigt E01: nichts zu protokollieren", "A single value shows E01: nothing to record",
     "Un valore singolo mostra E01: niente da registrare"},
    {"Protokolle k\u00f6nnen nicht gespeichert werden: %1", "Records cannot be stored: %1",
     "Impossibile registrare i protocolli: %1"},
    {"Die Protokolldatenbank stammt von einer neueren Vantoria-Version; sie wird nur gelesen.",
     "The records database comes from a newer Vantoria; it is only read.",
     "Il database dei protocolli proviene da una versione pi\u00f9 recente di Vantoria; viene solo letto."},
    {"Die Protokolldatenbank oder ihr Ordner ist schreibgesch\u00fctzt; die Protokolle werden nur gezeigt.",
     "The records database or its folder is read-only; the records are only shown.",
     "Il database dei protocolli o la sua cartella \u00e8 di sola lettura; i protocolli vengono solo "
     "mostrati."},
    {"Messung %1 gespeichert", "Record %1 stored", "Registrazione %1 salvata"},
    {"Messung nicht gespeichert: %1", "Record not stored: %1", "Registrazione non salvata: %1"},
    {"Wer die Protokolle aufnimmt", "Who takes the records", "Chi registra i protocolli"},
    {"Bediener", "Operator", "Operatore"},
    {"Der Bediener konnte nicht in \"%1\" gespeichert werden: %2",
     "The operator could not be kept in \"%1\": %2", "Impossibile salvare l'operatore in \"%1\": %2"},
    {"Die Protokolldatenbank \"%1\" war besch\u00e4digt. Sie wurde als \"%2\" aufbewahrt und eine neue "
     "angelegt, mit den %3 Protokollen, die noch zu lesen waren.",
     "The records database \"%1\" was damaged. It was kept as \"%2\" and a new one was made with the %3 "
     "records that could still be read.",
     "Il database dei protocolli \"%1\" era danneggiato. \u00c8 stato conservato come \"%2\" e ne \u00e8 "
     "stato creato uno nuovo con i %3 protocolli ancora leggibili."},
    {"Die Messung \"%1\" ist nicht hier, und der Protokollserver ist nicht erreichbar: %2",
     "The record \"%1\" is not here, and the records server cannot be used: %2",
     "La registrazione \"%1\" non \u00e8 qui, e il server delle registrazioni non \u00e8 utilizzabile: %2"},
    {"Zuerst den ge\u00f6ffneten Parameter best\u00e4tigen", "Confirm the open parameter first",
     "Confermare prima il parametro aperto"},
    {"Verlauf", "History", "Storico"},
    {"Alle Maschinen", "All machines", "Tutte le macchine"},
    {"Datum und Zeit|Maschine|Kommentar|Bediener|Gesamtkraft [kN]|Kanal 1|Kanal 2|Kanal 3|Kanal 4|"
     "Abweichung [%]|Toleranz|Notiz",
     "Date and time|Machine|Comment|Operator|Total force [kN]|Channel 1|Channel 2|Channel 3|Channel 4|"
     "Deviation [%]|Tolerance|Note",
     "Data e ora|Macchina|Commento|Operatore|Forza totale [kN]|Canale 1|Canale 2|Canale 3|Canale 4|"
     "Deviazione [%]|Tolleranza|Nota"},
    {"Seriennummer|Einheit|Toleranz [%]|Gesamtkraft [t]|Verst\u00e4rker|Port|Programm|Rechner|ID|Mittelwert|"
     "Sensor 1.1|Sensor 1.2|Sensor 2.1|Sensor 2.2|Sensor 3.1|Sensor 3.2|Sensor 4.1|Sensor 4.2|K-Faktor|"
     "E-Modul [kN/mm\u00b2]|Holmdurchmesser [mm]|UTC-Versatz [min]|Ergebnis|Gesamtkraft [US t]|Einheit der "
     "Sensoren",
     "Serial number|Unit|Tolerance [%]|Total force [t]|Amplifier|Port|Program|Host|ID|Average|"
     "Sensor 1.1|Sensor 1.2|Sensor 2.1|Sensor 2.2|Sensor 3.1|Sensor 3.2|Sensor 4.1|Sensor 4.2|K-factor|"
     "E-modulus [kN/mm\u00b2]|Bar diameter [mm]|UTC offset [min]|Result|Total force [US t]|Unit of the "
     "sensors",
     "Numero di serie|Unit\u00e0|Tolleranza [%]|Forza totale [t]|Amplificatore|Porta|Programma|Computer|ID|"
     "Valore medio|Sensore 1.1|Sensore 1.2|Sensore 2.1|Sensore 2.2|Sensore 3.1|Sensore 3.2|Sensore 4.1|"
     "Sensore 4.2|Fattore K|Modulo E [kN/mm\u00b2]|Diametro del tirante [mm]|Scostamento UTC "
     "[min]|Esito|Forza totale [US t]|"
     "Unit\u00e0 dei sensori"},
    {"Suchen: Maschine, Kommentar, Bediener, Notiz", "Search: machine, comment, operator, note",
     "Cerca: macchina, commento, operatore, nota"},
    {"Protokoll (PDF)", "Protocol (PDF)", "Protocollo (PDF)"},
    {"Export CSV", "Export CSV", "Esporta CSV"},
    {"Notiz hinzuf\u00fcgen", "Add a note", "Aggiungi nota"},
    {"Notiz zur Messung von %1 am %2:", "Note on the check of %1 on %2:", "Nota sul controllo di %1 del %2:"},
    {"Die Notiz wurde nicht gespeichert: %1", "The note was not stored: %1",
     "La nota non \u00e8 stata salvata: %1"},
    {"Bitte zuerst eine Messung in der Tabelle w\u00e4hlen.", "Choose a check in the table first.",
     "Scegliere prima un controllo nella tabella."},
    {"Innerhalb der Toleranz (\u00b1%1 %)", "Within the tolerance (\u00b1%1 %)",
     "Entro la tolleranza (\u00b1%1 %)"},
    {"Au\u00dferhalb der Toleranz (\u00b1%1 %)", "Outside the tolerance (\u00b1%1 %)",
     "Fuori tolleranza (\u00b1%1 %)"},
    {"Abweichung [%]", "Deviation [%]", "Deviazione [%]"},
    {"\"%1\" wurde nicht geschrieben: %2", "\"%1\" was not written: %2",
     "\"%1\" non \u00e8 stato scritto: %2"},
    {"Protokoll in \"%1\" geschrieben", "Protocol written to \"%1\"", "Protocollo scritto in \"%1\""},
    {"Suche l\u00e4uft \u2026", "Searching \u2026", "Ricerca in corso \u2026"},
    {"%1 Messungen", "%1 records", "%1 misurazioni"},
    {"Export l\u00e4uft \u2026", "Exporting \u2026", "Esportazione in corso \u2026"},
    {"Last nicht stabil: keine Messung aufgenommen", "Load not steady: no record taken",
     "Carico non stabile: nessuna misurazione registrata"},
    {"Keine Last auf den S\u00e4ulen: keine Messung aufgenommen", "No load on the tie bars: no record taken",
     "Nessun carico sulle colonne: nessuna misurazione registrata"},
    {"Warte auf stabile Last \u2026", "Waiting for a steady load \u2026",
     "In attesa di un carico stabile \u2026"},
    {"Messungen werden in der Hauptansicht oder der Grossansicht aufgenommen",
     "Records are taken on the main view or the big view",
     "Le misurazioni si registrano nella vista principale o nella vista grande"},
    {"Verlauf: die letzte Messung dieser Maschine", "Trend: the last record of this machine",
     "Andamento: l'ultima registrazione di questa macchina"},
    {"Sensoren", "Sensors", "Sensori"},
    {"Verst\u00e4rker genullt: %1", "Amplifier zeroed: %1", "Amplificatore azzerato: %1"},
    {"Verst\u00e4rker seit dem Programmstart nicht genullt", "Amplifier not zeroed since the program started",
     "Amplificatore non azzerato dall'avvio del programma"},
    {"Nullung des Verst\u00e4rkers nicht bekannt (\u00e4ltere Messung)",
     "Zeroing of the amplifier not known (older record)",
     "Azzeramento dell'amplificatore non noto (registrazione precedente)"},
    {"Abweichung = gr\u00f6\u00dfter / kleinster Betrag der vier Kan\u00e4le \u2212 1, in %, ganzzahlig "
     "abgeschnitten",
     "Deviation = largest / smallest magnitude of the four channels \u2212 1, in %, cut to a whole number",
     "Deviazione = massimo / minimo valore assoluto dei quattro canali \u2212 1, in %, troncata all'intero"},
    {"Gepr\u00fcft von / Datum", "Checked by / date", "Verificato da / data"},
    {"Seite 1 von 1", "Page 1 of 1", "Pagina 1 di 1"},
    {"Au\u00dferhalb der Skala", "Off the scale", "Fuori scala"},
    {"Kan\u00e4le in %1 nicht gezeigt (Messungen: %2)", "Channels in %1 not shown (records: %2)",
     "Canali in %1 non mostrati (misurazioni: %2)"},
    {"Sollkraft der Maschine", "Nominal force of the machine", "Forza nominale della macchina"},
    {"Sollkraft der gew\u00e4hlten Maschine: das Protokoll gibt die Gesamtkraft in Prozent davon an",
     "Nominal clamping force of the chosen machine: the protocol gives the total force as a percentage of it",
     "Forza di chiusura nominale della macchina scelta: il protocollo indica la forza totale in percentuale"},
    {"Anteil der Sollkraft (%1 kN)", "Share of the nominal force (%1 kN)",
     "Quota della forza nominale (%1 kN)"},
};
static_assert(std::size(All) == static_cast<std::size_t>(OwnText::ProtocolOfNominal) + 1);
} // namespace

QString ownText(OwnText text, const QString& languageCode) {
    const Texts& texts = All[static_cast<int>(text)];
    const char* chosen = languageCode == QLatin1String("DE")   ? texts.german
                         : languageCode == QLatin1String("IT") ? texts.italian
                                                               : texts.english;
    return QString::fromUtf8(chosen);
}
