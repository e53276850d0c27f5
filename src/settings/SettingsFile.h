#pragma once
// The settings lines: the 44-line settings file "Vantoria.ini" in the working directory, or the custom file
// that its line 21 names, mirrored line for line in the hidden box memoSettings. Values stand on the odd
// lines and are addressed by number; the even lines pass through every load and save unchanged.

#include "settings/LanguageParticipant.h"
#include "settings/TextFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class ChannelPositions;
class DeviceSession;
class Dialogs;
class LanguageApplier;
class QLineEdit;
class QLocale;
class QPlainTextEdit;
struct FileDialogState;
struct MachineInfo;
struct ParameterView;
struct ProgramState;
struct SettingsPage;
struct ValueView;

enum SettingsTarget { TargetDefault = 1, TargetCustom = 2 };

class SettingsFile : public LanguageParticipant {
public:
    static constexpr const char* DefaultFileName = "Vantoria.ini";
    static constexpr const char* ReservedPortsMarker = "ReservedComPorts:";
    static constexpr int CustomFileLine = 21;
    // A file with fewer lines is completed from the defaults; 40 to 43 lines is the older layout.
    static constexpr int OlderLayoutLines = 40;

    // The controls the settings lines are applied to and copied from.
    struct Views {
        const SettingsPage& page;
        const MachineInfo& machine;
        const ParameterView& parameters;
        const ValueView& values;
    };
    struct Services {
        ChannelPositions& positions;
        DeviceSession& session;
        LanguageApplier& language;
        Dialogs& dialogs;
        FileDialogState& dialogSave; // keep their filter and file name between two uses
        FileDialogState& dialogOpen;
    };

    SettingsFile(const Views& views, const Services& services, ProgramState& state);

    QString line(int index) const;
    void setLine(int index, const QString& text);
    QStringList lines() const;
    // The settings ask for the eight sensor values, and name the chosen amplifier type.
    bool singleValuesWanted() const;
    QString chosenDevice() const;

    // Start-up: the installation files are put in place where missing, "Vantoria.ini" is read and loaded
    // (from the custom file when its line 21 names one).
    void loadAtStartUp();

    // A failure of any of these is shown in the error box; the device timer runs again afterwards.
    bool SaveSettings(SettingsTarget target); // true when written
    void LoadSettings(SettingsTarget target);
    void SaveToActiveFile();
    void btnSaveCustomSettingsClick();
    void btnLoadCustomSettingsClicked();
    void tabSettingsExit() { SaveToActiveFile(); }

    // Writes the settings lines (closes the device port and restarts the session first). Throws UserError.
    void WriteSettingsFile(SettingsTarget target);
    // The reserved-port evaluation: marker and list into lines 42 and 43, creating them as needed, then the
    // default file is written. Throws UserError.
    void storeReservedPorts(const QString& listText);

    // Closing the window: machine, serial number, comment, K-factor and tolerance into their lines, then
    // the lines to "Vantoria.ini" and, when a custom file is active, to it. Throws UserError.
    void writeOnClose();

    // The port numbers of a line-43 text ("3,7," and the like), in order; entries that read as 0 are left
    // out. Each entry reads like the C runtime's _wtoi: leading white space, a sign, digits.
    static QList<std::int32_t> ParseReservedPorts(const QString& text);
    // The text of line 43 for a list of ports: each number followed by ",".
    static QString reservedPortsText(const QList<std::int32_t>& ports);

    // Puts the shipped settings and language files into the working directory where they are missing. A
    // new settings file speaks the desktop's language (the default QLocale); an existing one keeps its own.
    static void installMissingFiles(QStringList* problems);
    // Settings line 1 for a desktop locale: German and Italian have their files, every other language
    // gets English.
    static QString languageCodeFor(const QLocale& locale);
    // Bytes no settings file has (control characters other than tab and line ends, outside UTF-16).
    static bool looksBinary(const QByteArray& bytes);
    static QStringList shippedLines();

    // The view options, the CSV delimiter caption and the custom-file button.
    void applyLanguage(const Language& language) override;

private:
    static QByteArray withDesktopLanguage(const QByteArray& shipped);
    // Lines longer than an entry field takes are named in a notice; they are read and written whole.
    static constexpr qsizetype LongestUsableLine = 32767;
    void reportLongLines(const QString& path);
    void copyFieldToLine(int index, const QLineEdit* field);
    // A damaged "Vantoria.ini" is set aside, one cut short is completed; the user is told.
    void repairDefaultFile();
    void readInto(const QString& path);
    void writeTo(const QString& path);
    void applyLoadedLines();
    void applyToControls();
    void copyControlsToLines();
    void copyFreeTextsToLines();
    void applyVisibility(int line, bool shown);

    QPlainTextEdit* box_;
    Views views_;
    Services services_;
    ProgramState& state_;
    textfile::Encoding encoding_; // of the settings file read last; every write uses it
    bool startingUp_ = false;
    QString customPath_; // the custom file the lines were read from, if they were
};
