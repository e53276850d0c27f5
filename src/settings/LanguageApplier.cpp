#include "settings/LanguageApplier.h"

#include "Controls.h"
#include "Errors.h"
#include "Form.h"
#include "MainContext.h"
#include "ProgramState.h"
#include "ProgramStatus.h"
#include "evaluation/UnitLabels.h"
#include "graph/DataLog.h"
#include "graph/LiveGraph.h"
#include "settings/ChannelPositions.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/SettingsFile.h"
#include "settings/TextFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include <optional>

namespace {
std::optional<int> numberOf(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}
} // namespace

LanguageApplier::LanguageApplier(const MainContext& context, const SettingsFile& settings,
                                 const ChannelPositions& positions, LiveGraph& graph, DataLog& log)
    : context_(context), settings_(settings), positions_(positions), graph_(graph), log_(log) {}

QString LanguageApplier::chosenFile() const {
    const Form& form = context_.form;
    if (form.button(QStringLiteral("btnGerman"))->isChecked())
        return QStringLiteral("German.txt");
    if (form.button(QStringLiteral("btnEnglish"))->isChecked())
        return QStringLiteral("English.txt");
    if (form.button(QStringLiteral("btnItalian"))->isChecked())
        return QStringLiteral("Italian.txt");
    const QString path = form.edit(QStringLiteral("editLanguageFilePath"))->text();
    return path.isEmpty() ? QStringLiteral("German.txt") : path;
}

void LanguageApplier::ApplyLanguage() {
    const QString file = chosenFile();
    try {
        const textfile::Document document = textfile::read(file);
        if (document.lines.size() < lang::LineCount)
            throw UserError(
                QStringLiteral("The language file \"%1\" has %2 lines; it needs %3. The texts stay as "
                               "they are.")
                    .arg(file)
                    .arg(document.lines.size())
                    .arg(lang::LineCount));
        controls::setLines(context_.language.box(), document.lines);
    } catch (const UserError& error) {
        context_.dialogs.showError(error.message());
        context_.timers.deviceCom.start();
        return;
    }
    applyTexts();
    context_.timers.deviceCom.start();
}

void LanguageApplier::applyTexts() {
    const Form& form = context_.form;
    const Language& language = context_.language;
    auto text = [&language](int line) { return language.text(line); };
    auto caption = [&form](const char* name, const QString& value) {
        controls::setCaption(form.label(QString::fromLatin1(name)), value);
    };
    auto buttonText = [&form](const char* name, const QString& value) {
        form.button(QString::fromLatin1(name))->setText(value);
    };
    auto groupTitle = [&form](const QString& name, const QString& value) {
        form.group(name)->setTitle(value);
    };

    // Pages.
    QTabWidget* pages = form.tabs(QStringLiteral("tabSystem"));
    const struct {
        const char* page;
        int line;
    } pageTexts[] = {{"tabMainView", lang::PageMainView},
                     {"tabBigView", lang::PageBigView},
                     {"tabGraph", lang::PageGraph},
                     {"tabSettings", lang::PageSettings}};
    for (const auto& page : pageTexts)
        pages->setTabText(pages->indexOf(form.widget(QString::fromLatin1(page.page))), text(page.line));

    // The status lines again, in the new language.
    for (int slot = 1; slot <= 3; ++slot)
        context_.status.setText(slot, context_.state.programStateTextIndex[slot - 1]);

    // Settings page.
    groupTitle(QStringLiteral("groupLanguageSettings"), text(lang::LanguageGroup));
    buttonText("btnGerman", text(lang::German));
    buttonText("btnEnglish", text(lang::English));
    buttonText("btnItalian", text(lang::Italian));
    const QString path = form.edit(QStringLiteral("editLanguageFilePath"))->text();
    buttonText("btnOtherLanguage",
               path.isEmpty() ? text(lang::OtherLanguage) : path.left(qMax(0, path.size() - 4)));
    groupTitle(QStringLiteral("groupViewSettings"), text(lang::ViewGroup));
    buttonText("btnShowSingleValue", text(lang::ShowSingleValue));
    buttonText("btnShowKFactor", text(lang::ShowKFactor));
    buttonText("btnShowTolerance", text(lang::ShowTolerance));
    groupTitle(QStringLiteral("groupConnectionSettings"), text(lang::ConnectionGroup));
    buttonText("btnAutoPortSelect", text(lang::AutoPort));
    buttonText("btnManualPortSelect", text(lang::ManualPort));

    QComboBox* devices = form.combo(QStringLiteral("comboDeviceSelect"));
    devices->clear();
    for (int line = lang::FirstDeviceName; line <= lang::LastDeviceName; ++line)
        devices->addItem(text(line));
    devices->setCurrentText(settings_.line(25));

    for (int n = 1; n <= 4; ++n)
        groupTitle(numbered("groupChannel%1Position", n), text(lang::ChannelWord) + QString::number(n));

    const bool usTons = form.button(QStringLiteral("btnUStons"))->isChecked();
    caption("labelCSVDelimiter", text(lang::CsvDelimiter));
    buttonText("btnLoadCustomSettings", text(lang::LoadCustomSettings));
    caption("labelMachine", text(lang::Machine));
    caption("labelSerialNr", text(lang::SerialNr));
    caption("labelComment", text(lang::Comment));
    caption("labelMainValueKN", text(lang::TotalForceKN));
    caption("labelMainValueTons", unit_labels::mainValueCaption(3, usTons, language));
    caption("labelBarDiameter", text(lang::BarDiameter));
    caption("labelEModul", text(lang::EModulus));
    caption("labelTolerance", text(lang::Tolerance));
    caption("labelDivergence", text(lang::Divergence));
    caption("labelKFactor", text(lang::KFactor));

    const int unit = context_.state.deviceUnit;
    if (const int leftLine = unit_labels::mainValueLeftLine(unit)) {
        caption("labelMainValue", unit_labels::mainValueCaption(unit, usTons, language));
        setLeftFromLine(QStringLiteral("labelMainValue"), leftLine, unit == 3 && usTons ? 10 : 0);
    }

    applyPositionLabels();

    buttonText("btnReset", text(lang::Reset));
    buttonText("btnUnitSelect", text(lang::UnitSelect));
    if (form.button(QStringLiteral("btnReset"))->isEnabled()) {
        buttonText("btnMeasurement", text(lang::StopCaption));
    } else {
        buttonText("btnMeasurement", text(lang::StartCaption));
        buttonText("btnGraphStartStop", text(lang::StartCaption));
    }

    setLeftFromLine(QStringLiteral("labelMachine"), lang::LeftMachine);
    setLeftFromLine(QStringLiteral("labelSerialNr"), lang::LeftSerialNr);
    setLeftFromLine(QStringLiteral("labelComment"), lang::LeftComment);
    for (int n = 1; n <= 4; ++n)
        setLeftFromLine(numbered("labelChannel%1", n), lang::LeftChannel1 + 2 * (n - 1));
    setPointSizeFromLine(QStringLiteral("btnReset"), lang::FontSizeReset);
    setPointSizeFromLine(QStringLiteral("btnUnitSelect"), lang::FontSizeUnitSelect);

    applyBigView();

    log_.replaceHeader();
    graph_.setLeftAxisTitle(form.label(QStringLiteral("labelMainValue"))->text());
    graph_.setBottomAxisTitle(text(lang::TimeWord) + QStringLiteral(" [s]"));

    for (int n = 1; n <= 4; ++n)
        form.button(numbered("btnChannel%1Active", n))->setText(text(lang::ChannelWord) + QString::number(n));
    caption("labelGraphSampling", text(lang::GraphSampling));
    caption("labelGraphTimeUnit", text(lang::GraphTimeUnit));
    buttonText("btnGraphClear", text(lang::GraphClear));
    setLeftFromLine(QStringLiteral("labelGraphSampling"), lang::LeftGraphSampling);
    setLeftFromLine(QStringLiteral("labelGraphTimeUnit"), lang::LeftGraphTimeUnit);
}

void LanguageApplier::applyPositionLabels() {
    const Form& form = context_.form;
    const Language& language = context_.language;
    for (int channel = 1; channel <= 4; ++channel) {
        const int position = positions_.checkedCorner(channel);
        if (position == PositionNone)
            continue;
        const QString digit = QString::number(channel);
        controls::setCaption(form.label(numbered("labelChannel%1", position)),
                             language.text(lang::ChannelWord) + digit);
        for (int sensor = 1; sensor <= 2; ++sensor) {
            const QString name = QStringLiteral("labelSensor%1%2").arg(position).arg(sensor);
            controls::setCaption(form.label(name), language.text(lang::SensorWord) + digit +
                                                       QLatin1Char('.') + QString::number(sensor) +
                                                       QLatin1Char(' ') + language.text(lang::SensorUnit));
        }
    }
}

void LanguageApplier::applyBigView() {
    const Form& form = context_.form;
    for (int n = 1; n <= 4; ++n)
        controls::setCaption(form.label(numbered("labelChannel%1BigView", n)),
                             form.label(numbered("labelChannel%1", n))->text());
    const int unit = context_.state.deviceUnit;
    if (const int leftLine = unit_labels::mainValueBigViewLeftLine(unit)) {
        const bool usTons = form.button(QStringLiteral("btnUStons"))->isChecked();
        controls::setCaption(form.label(QStringLiteral("labelMainValueBigView")),
                             form.label(QStringLiteral("labelMainValue"))->text());
        setLeftFromLine(QStringLiteral("labelMainValueBigView"), leftLine, unit == 3 && usTons ? 2 : 0);
    }
    form.button(QStringLiteral("btnResetBigView"))->setText(form.button(QStringLiteral("btnReset"))->text());
    form.button(QStringLiteral("btnUnitSelectBigView"))->setText(context_.language.text(lang::UnitSelect));
    for (int n = 1; n <= 4; ++n)
        setLeftFromLine(numbered("labelChannel%1BigView", n), lang::LeftChannel1BigView + 2 * (n - 1));
    setPointSizeFromLine(QStringLiteral("btnUnitSelectBigView"), lang::FontSizeUnitSelect);
}

void LanguageApplier::setLeftFromLine(const QString& control, int line, int minus) {
    if (const std::optional<int> left = numberOf(context_.language.text(line)))
        controls::setLeft(context_.form.widget(control), *left - minus);
}

void LanguageApplier::setPointSizeFromLine(const QString& control, int line) {
    const std::optional<int> size = numberOf(context_.language.text(line));
    if (!size || *size <= 0)
        return;
    QWidget* widget = context_.form.widget(control);
    QFont font = widget->font();
    font.setPointSize(*size);
    widget->setFont(font);
}

void LanguageApplier::editLanguageFilePathClick() {
    FileDialogState& dialog = context_.dialogOpen;
    if (!context_.dialogs.runOpenDialog(dialog))
        return;
    const QString path = dialog.fileName;
    context_.form.edit(QStringLiteral("editLanguageFilePath"))->setText(path);
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(slash + 1);
    context_.form.button(QStringLiteral("btnOtherLanguage"))->setText(name.left(qMax(0, name.size() - 4)));
}
