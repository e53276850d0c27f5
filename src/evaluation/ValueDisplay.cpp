#include "evaluation/ValueDisplay.h"

#include "Controls.h"
#include "Form.h"
#include "MainContext.h"
#include "ProgramState.h"
#include "evaluation/Deviation.h"
#include "evaluation/ReadingConversion.h"
#include "settings/ChannelPositions.h"

#include <QAbstractButton>
#include <QLineEdit>

ValueDisplay::ValueDisplay(const MainContext& context, const ChannelPositions& positions)
    : context_(context), positions_(positions) {}

void ValueDisplay::ConvertReading(int entry, std::int32_t raw) {
    ProgramState& state = context_.state;
    const Form& form = context_.form;
    const ConversionInputs inputs{state.kFactorScale, form.button(QStringLiteral("btnUStons"))->isChecked(),
                                  state.deviceUnit, state.pollMode};
    const ConvertedReading converted = reading::convert(entry, raw, inputs);
    state.readingValue[entry] = converted.value;
    state.readingText[entry] = converted.text;
    switch (entry) {
    case Reading::MainValue:
        form.edit(QStringLiteral("editMainValue"))->setText(converted.text);
        form.edit(QStringLiteral("editMainValueBigView"))->setText(converted.text);
        break;
    case Reading::TotalKN:
        form.edit(QStringLiteral("editMainValueKN"))->setText(converted.text);
        break;
    case Reading::TotalTons:
        form.edit(QStringLiteral("editMainValueTons"))->setText(converted.text);
        break;
    default:
        break;
    }
}

void ValueDisplay::EvaluateReadings() {
    ProgramState& state = context_.state;
    const Form& form = context_.form;
    const bool sensors = state.pollMode == 2;

    // Placement: each channel's texts go to the position its corner button names.
    for (int channel = 1; channel <= 4; ++channel) {
        const int position = positions_.checkedCorner(channel);
        if (position == PositionNone)
            continue;
        if (sensors) {
            form.edit(sensorControl("editSensor", position, 1))->setText(state.readingText[2 * channel - 2]);
            form.edit(sensorControl("editSensor", position, 2))->setText(state.readingText[2 * channel - 1]);
        }
        const QString& text = state.readingText[Reading::FirstChannel + channel - 1];
        form.edit(numbered("editChannel%1", position))->setText(text);
        form.edit(numbered("editChannel%1BigView", position))->setText(text);
    }

    // Read-back: from here on the table holds the texts by position, entry 8 being what stands top left.
    auto readBack = [&](int entry, const QString& display) {
        const QString text = form.edit(display)->text();
        state.readingText[entry] = text;
        state.readingValue[entry] = text == ErrorText ? deviation::ErrorValue : text.toInt();
    };
    for (int position = 1; position <= 4; ++position)
        readBack(Reading::FirstChannel + position - 1, numbered("editChannel%1", position));
    readBack(Reading::MainValue, QStringLiteral("editMainValue"));
    readBack(Reading::TotalKN, QStringLiteral("editMainValueKN"));
    readBack(Reading::TotalTons, QStringLiteral("editMainValueTons"));
    if (sensors)
        for (int position = 1; position <= 4; ++position)
            for (int k = 1; k <= 2; ++k)
                readBack(2 * position - 3 + k, sensorControl("editSensor", position, k));

    if (!form.button(QStringLiteral("btnShowTolerance"))->isChecked() ||
        state.readingText[Reading::MainValue] == ErrorText)
        return;
    const float percent = deviation::percent(
        {state.readingValue[8], state.readingValue[9], state.readingValue[10], state.readingValue[11]});
    QLineEdit* tolerance = form.edit(QStringLiteral("editTolerance"));
    if (tolerance->isEnabled())
        return; // the user is editing the tolerance: the display stands still
    bool ok = false;
    const std::int32_t limit = tolerance->text().trimmed().toInt(&ok);
    // A tolerance that is no number (a damaged settings line) is judged as the default 10.
    const deviation::Shown shown = deviation::judge(percent, ok ? limit : 10);
    QLineEdit* display = form.edit(QStringLiteral("editDivergence"));
    display->setText(shown.text);
    controls::setBackground(display, shown.background);
}
