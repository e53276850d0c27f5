#include "evaluation/ValueDisplay.h"

#include "Controls.h"
#include "ProgramState.h"
#include "Views.h"
#include "evaluation/Deviation.h"
#include "evaluation/ReadingConversion.h"
#include "evaluation/UnitLabels.h"
#include "settings/ChannelPositions.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

ValueDisplay::ValueDisplay(const ValueView& values, const ParameterView& parameters,
                           const ViewOptions& options, const ChannelPositions& positions, ProgramState& state,
                           const Language& language)
    : values_(values), parameters_(parameters), options_(options), positions_(positions), state_(state),
      language_(language) {}

bool ValueDisplay::usTons() const { return options_.usTons->isChecked(); }

ConversionInputs ValueDisplay::conversionInputs() const {
    return {state_.kFactorHundredths, usTons(), state_.deviceUnit, state_.pollMode};
}

void ValueDisplay::showTotalTonsCaption(bool inUsTons) {
    if (tonsCaptionInUs_ == inUsTons)
        return;
    tonsCaptionInUs_ = inUsTons;
    controls::setCaption(values_.totalTonsLabel, unit_labels::totalTonsCaption(inUsTons, language_));
}

void ValueDisplay::ConvertReading(int entry, std::int32_t raw) {
    const ConversionInputs inputs = conversionInputs();
    const ConvertedReading converted = reading::convert(entry, raw, inputs);
    state_.readingValue[entry] = converted.value;
    state_.readingText[entry] = converted.text;
    const auto bit = std::uint16_t(1u << entry);
    state_.readingInUsTons = reading::usTonRuleApplies(entry, inputs) ? state_.readingInUsTons | bit
                                                                      : state_.readingInUsTons & ~bit;
    switch (entry) {
    case Reading::MainValue:
        controls::setText(values_.mainValue, converted.text);
        controls::setText(values_.mainValueBig, converted.text);
        break;
    case Reading::TotalKN:
        controls::setText(values_.totalKN, converted.text);
        break;
    case Reading::TotalTons:
        showTotalTonsCaption(reading::usTonRuleApplies(entry, inputs));
        controls::setText(values_.totalTons, converted.text);
        break;
    default:
        break;
    }
}

void ValueDisplay::EvaluateReadings() {
    const bool sensors = state_.pollMode == PollChannelsAndSensors;

    // Placement: each channel's texts go to the position its corner button names.
    for (int channel = 1; channel <= 4; ++channel) {
        const int position = positions_.checkedCorner(channel);
        if (position == PositionNone)
            continue;
        const PositionDisplays& displays = values_.positions[position - 1];
        if (sensors) {
            controls::setText(displays.sensors[0], state_.readingText[2 * channel - 2]);
            controls::setText(displays.sensors[1], state_.readingText[2 * channel - 1]);
        }
        const QString& text = state_.readingText[Reading::FirstChannel + channel - 1];
        controls::setText(displays.channel, text);
        controls::setText(displays.channelBig, text);
    }

    // Read-back: from here on the table holds the texts by position, entry 8 being what stands top left.
    auto readBack = [this](int entry, const QLineEdit* display) {
        const QString text = display->text();
        state_.readingText[entry] = text;
        state_.readingValue[entry] = text == ErrorText ? deviation::ErrorValue : text.toInt();
    };
    for (int position = 1; position <= 4; ++position)
        readBack(Reading::FirstChannel + position - 1, values_.positions[position - 1].channel);
    readBack(Reading::MainValue, values_.mainValue);
    readBack(Reading::TotalKN, values_.totalKN);
    readBack(Reading::TotalTons, values_.totalTons);
    if (sensors)
        for (int position = 1; position <= 4; ++position)
            for (int k = 1; k <= 2; ++k)
                readBack(2 * position - 3 + k, values_.positions[position - 1].sensors[k - 1]);

    if (!options_.showTolerance->isChecked() || state_.readingText[Reading::MainValue] == ErrorText)
        return;
    const float percent = deviation::percent(
        {state_.readingValue[Reading::FirstChannel], state_.readingValue[Reading::FirstChannel + 1],
         state_.readingValue[Reading::FirstChannel + 2], state_.readingValue[Reading::FirstChannel + 3]});
    const QLineEdit* tolerance = parameters_.tolerance.edit;
    if (tolerance->isEnabled())
        return; // the user is editing the tolerance: the display stands still
    bool ok = false;
    const std::int32_t limit = tolerance->text().trimmed().toInt(&ok);
    // A tolerance that is no number (a damaged settings line) is judged as the default 10.
    const deviation::Shown shown = deviation::judge(percent, ok ? limit : 10);
    controls::setText(parameters_.divergence, shown.text);
    controls::setBackground(parameters_.divergence, shown.background);
}

void ValueDisplay::showUnit(std::int32_t unit) {
    if (unit < 1 || unit > 3)
        return;
    unit_labels::showActiveUnit(values_, unit);
    unit_labels::showMainValueCaptions(values_, language_, unit, usTons(), unit_labels::UsTonsShiftBigOnUnit);
    positions_.showSensorCaptions(language_);
}

void ValueDisplay::showNoValues() {
    state_.readingText.fill(ErrorText);
    state_.readingValue.fill(0);
    for (const PositionDisplays& position : values_.positions)
        for (QLineEdit* display :
             {position.channel, position.channelBig, position.sensors[0], position.sensors[1]})
            display->setText(ErrorText);
    for (QLineEdit* display : {values_.mainValue, values_.mainValueBig, values_.totalKN, values_.totalTons})
        display->setText(ErrorText);
    parameters_.divergence->clear();
    controls::setBackground(parameters_.divergence, controls::windowTextColour());
}

void ValueDisplay::showSensorDisplays(const ValueView& values, bool shown) {
    for (const PositionDisplays& position : values.positions) {
        for (int k = 0; k < 2; ++k) {
            position.sensors[k]->setVisible(shown);
            position.sensorLabels[k]->setVisible(shown);
        }
        // Without the sensor displays the channel caption sits right on its display, not above a gap.
        QLabel* caption = position.channelLabel;
        if (!caption->property("designedTop").isValid())
            caption->setProperty("designedTop", caption->y());
        const int top =
            shown ? caption->property("designedTop").toInt() : position.channel->y() - caption->height();
        caption->move(caption->x(), top);
    }
}

void ValueDisplay::applyLanguage(const Language& language) {
    controls::setCaption(values_.totalKNLabel, language.text(lang::TotalForceKN));
    tonsCaptionInUs_.reset();
    showTotalTonsCaption(reading::usTonRuleApplies(Reading::TotalTons, conversionInputs()));
    unit_labels::showMainValueCaptions(values_, language, state_.deviceUnit, usTons(),
                                       unit_labels::UsTonsShiftBigOnLanguage);
}
