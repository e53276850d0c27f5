#pragma once
// Which channel stands at which corner of the machine picture. Each channel has four radio buttons, one per
// corner; the assignment is always a permutation: choosing a corner for one channel moves the channel that
// held it to the corner that was freed.

#include <QString>

class QAbstractButton;
class Form;
struct ProgramState;

enum Corner {
    PositionNone = 0,
    PositionTopLeft = 1,
    PositionTopRight = 2,
    PositionBottomLeft = 3,
    PositionBottomRight = 4
};

class ChannelPositions {
public:
    ChannelPositions(const Form& form, ProgramState& state);

    // Runs after the button of corner for channel became checked, by the user or by the program.
    void SelectChannelPosition(int channel, int corner);

    // The corner whose button is checked for channel (tested in the order top left, top right, bottom
    // left, bottom right), or PositionNone.
    int checkedCorner(int channel) const;
    QAbstractButton* button(int channel, int corner) const;

    static QString token(int corner);               // "TopLeft" ... "BottomRight"; empty for no corner
    static int cornerOfToken(const QString& token); // exact match, case included; PositionNone otherwise

private:
    const Form& form_;
    ProgramState& state_;
};
