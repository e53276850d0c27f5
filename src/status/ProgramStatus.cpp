#include "status/ProgramStatus.h"

#include "Controls.h"
#include "ProgramState.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QPlainTextEdit>

#include <utility>

ProgramStatus::ProgramStatus(QPlainTextEdit* display, const QAbstractButton* showErrorInfo,
                             const Language& language, ProgramState& state)
    : display_(display), showErrorInfo_(showErrorInfo), language_(language), state_(state) {
    controls::whenShown(display_, [this] {
        if (hiddenSessionState_)
            showSessionState(*std::exchange(hiddenSessionState_, std::nullopt));
    });
}

void ProgramStatus::setText(int slot, int textIndex) {
    if (slot < 1 || slot > 3)
        return;
    state_.programStateTextIndex[slot - 1] = textIndex;
    if (slot == 1)
        otherTypeShown_ = false;
    if (slot == 2)
        lastingTicks_ = 0;
    const int line = (slot - 1) * 2;
    const QString text = textIndex > 0   ? language_.text(textIndex)
                         : textIndex < 0 ? language_.own(static_cast<OwnText>(-1 - textIndex))
                                         : QString();
    controls::setLine(display_, line, text);
}

void ProgramStatus::showSessionState(std::int32_t state) {
    // Every tick brings a state; on a hidden page the line waits until the page is shown.
    if (!controls::onShownPage(display_)) {
        hiddenSessionState_ = state;
        return;
    }
    controls::setLine(display_, 1, QString::number(static_cast<std::uint32_t>(state)));
}

void ProgramStatus::showNotice(const QString& text) {
    lastingTicks_ = 0;
    controls::setLine(display_, 2, text);
}

void ProgramStatus::showLastingNotice(const QString& text) {
    showNotice(text);
    // The clock ticks once a second at any moment after the notice: its sixth tick is at least five
    // seconds later.
    lastingTicks_ = 6;
}

void ProgramStatus::clockTick(bool clearNotice) {
    if (lastingTicks_ > 0 && --lastingTicks_ > 0)
        return;
    if (clearNotice)
        setText(2, 0);
}

void ProgramStatus::showRecordsServer(const QString& text) { controls::setLine(display_, 3, text); }

void ProgramStatus::showConnecting(bool reopening) {
    if (otherTypeShown_)
        return;
    if (!reopening || showErrorInfo_->isChecked())
        setText(1, lang::Connecting);
}

void ProgramStatus::showWaitingForReply() {
    if (showErrorInfo_->isChecked())
        showNotice(language_.text(lang::WaitingForDevice));
}

void ProgramStatus::showAcknowledged(std::int32_t state) {
    switch (state) {
    case StateResetDevice:
        setText(2, lang::DeviceReset);
        break;
    case StateSendBarDiameter:
        setText(2, lang::BarDiameterSent);
        break;
    case StateSendEModulus:
        setText(2, lang::EModulusSent);
        break;
    default:
        break;
    }
}

void ProgramStatus::showOtherType(const QString& found, const QString& selected) {
    controls::setLine(display_, 0, language_.own(OwnText::OtherTypeFound).arg(found, selected));
    otherTypeShown_ = true;
}

void ProgramStatus::applyLanguage(const Language&) {
    for (int slot = 1; slot <= 3; ++slot)
        setText(slot, state_.programStateTextIndex[slot - 1]);
}
