#include "settings/ChannelPositions.h"

#include "Controls.h"
#include "ProgramState.h"
#include "Views.h"
#include "evaluation/UnitLabels.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace {
const char* const CornerNames[] = {"", "TopLeft", "TopRight", "BottomLeft", "BottomRight"};
}

ChannelPositions::ChannelPositions(const Buttons& buttons, const std::array<QGroupBox*, 4>& groups,
                                   const ValueView& values, ProgramState& state)
    : buttons_(buttons), groups_(groups), values_(values), state_(state) {}

QString ChannelPositions::token(int corner) {
    return corner >= PositionTopLeft && corner <= PositionBottomRight
               ? QString::fromLatin1(CornerNames[corner])
               : QString();
}

int ChannelPositions::cornerOfToken(const QString& token) {
    for (int corner = PositionTopLeft; corner <= PositionBottomRight; ++corner)
        if (token == QLatin1String(CornerNames[corner]))
            return corner;
    return PositionNone;
}

int ChannelPositions::checkedCorner(int channel) const {
    for (int corner = PositionTopLeft; corner <= PositionBottomRight; ++corner)
        if (button(channel, corner)->isChecked())
            return corner;
    return PositionNone;
}

int ChannelPositions::firstFreeCorner(int channel) const {
    for (int candidate = PositionTopLeft; candidate < PositionBottomRight; ++candidate) {
        bool taken = false;
        for (int other = 1; other <= 4; ++other)
            taken = taken || (other != channel && button(other, candidate)->isChecked());
        if (!taken)
            return candidate;
    }
    return PositionBottomRight;
}

void ChannelPositions::SelectChannelPosition(int channel, int corner) {
    const int left = state_.channelPosition[channel - 1];
    if (left == corner || left < PositionTopLeft || left > PositionBottomRight)
        return;
    state_.channelPosition[channel - 1] = corner;
    for (int other = 1; other <= 4; ++other) {
        if (other == channel || !button(other, corner)->isChecked())
            continue;
        // The displaced channel takes the corner this one left. Checking that button clears its button for
        // the taken corner (the four buttons of a channel exclude each other) and runs this rule for it.
        button(other, left)->setChecked(true);
        state_.channelPosition[other - 1] = left;
        break;
    }
}

void ChannelPositions::showSensorCaptions(const Language& language) const {
    const QString unit = unit_labels::sensorUnitCaption(state_.deviceUnit, language);
    for (int channel = 1; channel <= 4; ++channel) {
        const int position = checkedCorner(channel);
        if (position == PositionNone)
            continue;
        const PositionDisplays& displays = values_.positions[position - 1];
        for (int sensor = 1; sensor <= 2; ++sensor)
            controls::setCaption(displays.sensorLabels[sensor - 1],
                                 language.text(lang::SensorWord) + QString::number(channel) +
                                     QLatin1Char('.') + QString::number(sensor) + QLatin1Char(' ') + unit);
    }
}

void ChannelPositions::applyLanguage(const Language& language) {
    for (int channel = 1; channel <= 4; ++channel) {
        groups_[channel - 1]->setTitle(language.text(lang::ChannelWord) + QString::number(channel));
        const int position = checkedCorner(channel);
        if (position == PositionNone)
            continue;
        const PositionDisplays& displays = values_.positions[position - 1];
        const QString digit = QString::number(channel);
        controls::setCaption(displays.channelLabel, language.text(lang::ChannelWord) + digit);
    }
    showSensorCaptions(language);
    for (int n = 1; n <= 4; ++n) {
        const PositionDisplays& displays = values_.positions[n - 1];
        controls::setLeftFromText(displays.channelLabel, language.text(lang::LeftChannel1 + 2 * (n - 1)));
        controls::setCaption(displays.channelLabelBig, displays.channelLabel->text());
        controls::setLeftFromText(displays.channelLabelBig,
                                  language.text(lang::LeftChannel1BigView + 2 * (n - 1)));
    }
}
