// The position rule on its own: four channels, four corners each, always a permutation.

#include "Testing.h"
#include "Views.h"
#include "settings/ChannelPositions.h"

#include <QButtonGroup>
#include <QRadioButton>

namespace {
// Sixteen radio buttons, each channel's four exclusive, channel n at corner n, and the rule over them. The
// buttons are not wired to the rule, so the rule alone must keep the positions right.
struct Corners {
    QWidget parent;
    ChannelPositions::Buttons buttons{};
    std::array<QGroupBox*, 4> groups{};
    ValueView values{};
    ProgramState state;
    std::unique_ptr<ChannelPositions> rule;

    Corners() {
        for (int channel = 0; channel < 4; ++channel) {
            groups[channel] = new QGroupBox(&parent);
            auto* exclusive = new QButtonGroup(&parent);
            for (int corner = 0; corner < 4; ++corner) {
                buttons[channel][corner] = new QRadioButton(groups[channel]);
                exclusive->addButton(buttons[channel][corner]);
            }
            buttons[channel][channel]->setChecked(true);
        }
        rule = std::make_unique<ChannelPositions>(buttons, groups, values, state);
    }
    // What a click on a corner does: the button is checked, then the rule runs.
    void choose(int channel, int corner) {
        rule->button(channel, corner)->setChecked(true);
        rule->SelectChannelPosition(channel, corner);
    }
};
} // namespace

class TestChannelPositions : public QObject {
    Q_OBJECT

private slots:
    void theDisplacedChannelTakesTheFreedCornerAndItsPositionIsUpdated() {
        Corners c;
        c.choose(3, PositionTopLeft);
        QCOMPARE(c.state.channelPosition, (std::array<std::int32_t, 4>{3, 2, 1, 4}));
        QCOMPARE(c.rule->checkedCorner(1), int(PositionBottomLeft));
        QCOMPARE(c.rule->checkedCorner(3), int(PositionTopLeft));
        c.choose(3, PositionTopLeft); // the corner it holds: nothing moves
        QCOMPARE(c.state.channelPosition, (std::array<std::int32_t, 4>{3, 2, 1, 4}));
    }

    void aChannelWithoutACornerGetsTheFirstFreeOneTopLeftIncluded() {
        Corners c;
        c.buttons[0][0]->group()->setExclusive(false);
        c.buttons[0][0]->setChecked(false);
        QCOMPARE(c.rule->checkedCorner(1), int(PositionNone));
        QCOMPARE(c.rule->firstFreeCorner(1), int(PositionTopLeft));
        // With the three others on the first three corners the last one is left.
        for (int channel = 2; channel <= 4; ++channel)
            c.buttons[channel - 1][channel - 2]->setChecked(true);
        QCOMPARE(c.rule->firstFreeCorner(1), int(PositionBottomRight));
    }

    void tokensMatchExactly() {
        QCOMPARE(ChannelPositions::cornerOfToken(ChannelPositions::token(PositionBottomLeft)),
                 int(PositionBottomLeft));
        QCOMPARE(ChannelPositions::cornerOfToken(QStringLiteral("topleft")), int(PositionNone));
        QCOMPARE(ChannelPositions::token(PositionNone), QString());
    }
};

QTEST_MAIN(TestChannelPositions)
#include "test_channel_positions.moc"
