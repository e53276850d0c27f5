#include "settings/ChannelPositions.h"

#include "Form.h"
#include "ProgramState.h"

#include <QAbstractButton>

namespace {
const char* const CornerNames[] = {"", "TopLeft", "TopRight", "BottomLeft", "BottomRight"};
}

ChannelPositions::ChannelPositions(const Form& form, ProgramState& state) : form_(form), state_(state) {}

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

QAbstractButton* ChannelPositions::button(int channel, int corner) const {
    return form_.button(
        QStringLiteral("btnChannel%1%2").arg(channel).arg(QLatin1String(CornerNames[corner])));
}

int ChannelPositions::checkedCorner(int channel) const {
    for (int corner = PositionTopLeft; corner <= PositionBottomRight; ++corner)
        if (button(channel, corner)->isChecked())
            return corner;
    return PositionNone;
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
