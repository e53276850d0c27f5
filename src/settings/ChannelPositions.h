#pragma once
// Which channel stands at which corner of the machine picture. Each channel has four radio buttons, one per
// corner; the assignment is always a permutation: choosing a corner for one channel moves the channel that
// held it to the corner that was freed. The channel and sensor captions of each display position follow the
// channel that stands there when a language is applied.

#include "settings/LanguageParticipant.h"

#include <QString>

#include <array>

class QAbstractButton;
class QGroupBox;
struct ProgramState;
struct ValueView;

enum Corner {
    PositionNone = 0,
    PositionTopLeft = 1,
    PositionTopRight = 2,
    PositionBottomLeft = 3,
    PositionBottomRight = 4
};

class ChannelPositions : public LanguageParticipant {
public:
    using Buttons = std::array<std::array<QAbstractButton*, 4>, 4>; // [channel - 1][corner - 1]

    ChannelPositions(const Buttons& buttons, const std::array<QGroupBox*, 4>& groups, const ValueView& values,
                     ProgramState& state);

    // Runs after the button of corner for channel became checked, by the user or by the program.
    void SelectChannelPosition(int channel, int corner);

    // The corner whose button is checked for channel (tested in the order top left, top right, bottom
    // left, bottom right), or PositionNone.
    int checkedCorner(int channel) const;
    QAbstractButton* button(int channel, int corner) const { return buttons_[channel - 1][corner - 1]; }
    // For a channel without a corner: the first corner, from top left on, that no other channel holds;
    // bottom right when all others are held.
    int firstFreeCorner(int channel) const;

    static QString token(int corner);               // "TopLeft" ... "BottomRight"; empty for no corner
    static int cornerOfToken(const QString& token); // exact match, case included; PositionNone otherwise

    // The sensor captions of the placed channels, with the unit of the device's readings.
    void showSensorCaptions(const Language& language) const;

    void applyLanguage(const Language& language) override;

private:
    Buttons buttons_;
    std::array<QGroupBox*, 4> groups_;
    const ValueView& values_;
    ProgramState& state_;
};
