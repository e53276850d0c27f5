#pragma once
// The status display memoProgramState: line 0 the connection or device (slot 1), line 1 the number of the
// device session state, line 2 short notices (slot 2), line 4 the measuring status (slot 3). It shows what
// the device session reports.

#include "settings/LanguageParticipant.h"
#include "settings/OwnTexts.h"

#include <QString>

#include <cstdint>
#include <optional>

class Language;
class QAbstractButton;
class QPlainTextEdit;
struct ProgramState;

class ProgramStatus : public LanguageParticipant {
public:
    // With showErrorInfo checked the display also tells of waiting for replies and of reopening the port.
    ProgramStatus(QPlainTextEdit* display, const QAbstractButton* showErrorInfo, const Language& language,
                  ProgramState& state);

    // Shows language text textIndex in a slot (1, 2 or 3) and remembers the index, so that a language change
    // can show the same message again; index 0 empties the line. Other slots do nothing. A text of the
    // program's own is remembered by a negative index (ownIndex).
    void setText(int slot, int textIndex);
    static int ownIndex(OwnText text) { return -1 - static_cast<int>(text); }
    void showSessionState(std::int32_t state);
    // A notice written straight into line 2, bypassing the remembered index (the waiting hint).
    void showNotice(const QString& text);
    // A notice the user must be able to read, such as a record stored or refused: the clock leaves it in
    // place for at least five seconds. Any later notice replaces it as usual.
    void showLastingNotice(const QString& text);
    // The one-second clock: every second call empties the notice line, unless a lasting notice still holds.
    void clockTick(bool clearNotice);
    // The plant's records server, on the line between the notices and the measuring state.
    void showRecordsServer(const QString& text);

    void showConnecting(bool reopening);
    // Another amplifier type than the selected one answered; this stays until a device is identified.
    void showOtherType(const QString& found, const QString& selected);
    void showWaitingForReply();
    // The notice for a command the amplifier acknowledged, by the session state that sent it.
    void showAcknowledged(std::int32_t state);

    // The three slots again, in the new language.
    void applyLanguage(const Language& language) override;

private:
    QPlainTextEdit* display_;
    const QAbstractButton* showErrorInfo_;
    const Language& language_;
    ProgramState& state_;
    bool otherTypeShown_ = false;
    std::optional<std::int32_t> hiddenSessionState_;
    int lastingTicks_ = 0; // clock ticks a lasting notice still holds the line
};
