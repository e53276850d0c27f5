#pragma once
// Applying a language file: the chosen file becomes the language lines, its own group is captioned, and
// every participant, in the order they were added, renders its texts anew. The device timer stands still
// meanwhile and runs again afterwards, whatever happens.

#include "settings/LanguageParticipant.h"

#include <QString>
#include <QStringList>

#include <vector>

class DeviceSession;
class Dialogs;
struct FileDialogState;
struct LanguageChoice;

class LanguageApplier {
public:
    LanguageApplier(const LanguageChoice& choice, Language& language, DeviceSession& session,
                    Dialogs& dialogs, FileDialogState& dialogOpen);

    // Participants that read texts others render come after them.
    void addParticipant(LanguageParticipant* participant) { participants_.push_back(participant); }

    // A file that cannot be read or has fewer lines than the layout is reported (once per file) and the
    // built-in copy of that language stands in (German for the user's own file), so the device names still
    // match and the session runs; a number line that is empty or not a number leaves that place as it was.
    // Lines longer than LongestLine are cut (reported once per file): no caption is that long, and a
    // megabyte of text in a label stalls the window.
    void ApplyLanguage();
    static constexpr qsizetype LongestLine = 4096;
    // Choosing the user's own language file (the path field is visible in debug mode only).
    void editLanguageFilePathClick();

    // The file ApplyLanguage reads: by the language buttons, else the user's file; German when the user's
    // file is chosen but no path is set.
    QString chosenFile() const;
    const Language& language() const { return language_; }

private:
    void applyOwnTexts();

    const LanguageChoice& choice_;
    Language& language_;
    DeviceSession& session_;
    Dialogs& dialogs_;
    FileDialogState& dialogOpen_;
    std::vector<LanguageParticipant*> participants_;
    QStringList reported_;    // files whose fault was reported already
    QStringList cutReported_; // files whose long lines were reported already
};
