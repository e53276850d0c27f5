#include "ProgramStatus.h"

#include "Controls.h"
#include "ProgramState.h"
#include "settings/Language.h"

ProgramStatus::ProgramStatus(QPlainTextEdit* display, const Language& language, ProgramState& state)
    : display_(display), language_(language), state_(state) {}

void ProgramStatus::setText(int slot, int textIndex) {
    if (slot < 1 || slot > 3)
        return;
    state_.programStateTextIndex[slot - 1] = textIndex;
    const int line = (slot - 1) * 2;
    controls::setLine(display_, line, textIndex > 0 ? language_.text(textIndex) : QString());
}

void ProgramStatus::showSessionState(std::int32_t state) {
    controls::setLine(display_, 1, QString::number(static_cast<std::uint32_t>(state)));
}

void ProgramStatus::showNotice(const QString& text) { controls::setLine(display_, 2, text); }

QString ProgramStatus::lineText(int line) const { return controls::line(display_, line); }
