#include "settings/SettingsFile.h"

#include "Controls.h"
#include "Errors.h"
#include "Form.h"
#include "MainContext.h"
#include "PortSelection.h"
#include "ProgramState.h"
#include "Resources.h"
#include "Serial.h"
#include "evaluation/UnitLabels.h"
#include "settings/ChannelPositions.h"
#include "settings/LanguageApplier.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <limits>

namespace {
QPlainTextEdit* settingsBox(const MainContext& context) {
    return context.form.memo(QStringLiteral("memoSettings"));
}

const QString Yes = QStringLiteral("YES");
const QString No = QStringLiteral("NO");

// The controls each "show" line makes visible or hides.
QStringList visibilityGroup(int line) {
    switch (line) {
    case 5: {
        QStringList names;
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 2; ++k)
                names << QStringLiteral("editSensor%1%2").arg(n).arg(k);
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 2; ++k)
                names << QStringLiteral("labelSensor%1%2").arg(n).arg(k);
        return names;
    }
    case 23:
        return {QStringLiteral("btnKFactor"), QStringLiteral("editKFactor"), QStringLiteral("labelKFactor")};
    case 41:
        return {QStringLiteral("labelTolerance"), QStringLiteral("btnTolerance"),
                QStringLiteral("editTolerance"), QStringLiteral("labelDivergence"),
                QStringLiteral("editDivergence")};
    default:
        return {};
    }
}

QString visibilityBox(int line) {
    switch (line) {
    case 5:
        return QStringLiteral("btnShowSingleValue");
    case 23:
        return QStringLiteral("btnShowKFactor");
    default:
        return QStringLiteral("btnShowTolerance");
    }
}

// _wtoi: leading white space, an optional sign, decimal digits up to the first other character.
std::int32_t wtoi(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() &&
           (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    std::int64_t value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return negative ? std::numeric_limits<std::int32_t>::min()
                            : std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}
} // namespace

SettingsFile::SettingsFile(const MainContext& context, ChannelPositions& positions)
    : context_(context), positions_(positions) {}

QString SettingsFile::line(int index) const { return controls::line(settingsBox(context_), index); }
void SettingsFile::setLine(int index, const QString& text) {
    controls::setLine(settingsBox(context_), index, text);
}
QStringList SettingsFile::lines() const { return controls::lines(settingsBox(context_)); }

void SettingsFile::readInto(const QString& path) {
    const textfile::Document document = textfile::read(path);
    encoding_ = document.encoding;
    controls::setLines(settingsBox(context_), document.lines);
}

void SettingsFile::writeTo(const QString& path) { textfile::write(path, lines(), encoding_); }

void SettingsFile::guarded(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const UserError& error) {
        context_.dialogs.showError(error.message());
        context_.timers.deviceCom.start();
    }
}

void SettingsFile::installMissingFiles(QStringList* problems) {
    ensureResources();
    for (const char* name : {DefaultFileName, "German.txt", "English.txt", "Italian.txt"}) {
        const QString target = QString::fromLatin1(name);
        if (QFile::exists(target))
            continue;
        QFile shipped(QStringLiteral(":/") + target);
        QFile out(target);
        if (!shipped.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) ||
            out.write(shipped.readAll()) != shipped.size() || !out.flush()) {
            out.remove();
            if (problems)
                problems->append(
                    QStringLiteral("Cannot create file \"%1\". %2").arg(target, out.errorString()));
        }
    }
}

void SettingsFile::loadAtStartUp() {
    QStringList problems;
    installMissingFiles(&problems);
    for (const QString& problem : problems)
        context_.dialogs.showError(problem);
    try {
        readInto(QString::fromLatin1(DefaultFileName));
    } catch (const UserError& error) {
        // Without a readable settings file the program still starts, with the shipped settings.
        context_.dialogs.showError(error.message());
        QFile shipped(QStringLiteral(":/Vantoria.ini"));
        shipped.open(QIODevice::ReadOnly);
        const textfile::Document document = textfile::decode(shipped.readAll());
        encoding_ = document.encoding;
        controls::setLines(settingsBox(context_), document.lines);
        applyLoadedLines();
        return;
    }
    LoadSettings(line(CustomFileLine).isEmpty() ? TargetDefault : TargetCustom);
}

void SettingsFile::LoadSettings(SettingsTarget target) {
    guarded([&] {
        context_.timers.deviceCom.stop();
        if (target == TargetDefault) {
            readInto(QString::fromLatin1(DefaultFileName));
        } else {
            const QString custom = line(CustomFileLine);
            readInto(QString::fromLatin1(DefaultFileName));
            setLine(CustomFileLine, custom);
            writeTo(QString::fromLatin1(DefaultFileName));
            try {
                readInto(custom);
            } catch (const UserError& error) {
                // The default file's own lines stand in for the custom file, so the program keeps running
                // with a complete set of settings.
                context_.dialogs.showError(error.message());
            }
        }
        applyLoadedLines();
    });
}

void SettingsFile::applyLoadedLines() {
    applyToControls();
    context_.state.reservedPortsText = line(43);
    context_.state.reservedPorts += ParseReservedPorts(context_.state.reservedPortsText);
    restartSession();
    if (language_)
        language_->ApplyLanguage();
    else
        context_.timers.deviceCom.start();
}

void SettingsFile::restartSession() {
    context_.devicePort.Close();
    context_.state.sessionState = StateConnect;
    context_.state.stateTick = 0;
}

void SettingsFile::applyVisibility(int line, bool shown) {
    for (const QString& name : visibilityGroup(line))
        context_.form.widget(name)->setVisible(shown);
    context_.form.button(visibilityBox(line))->setChecked(shown);
    if (line == 5)
        context_.state.pollMode = shown ? 2 : 1;
}

void SettingsFile::applyToControls() {
    const Form& form = context_.form;
    ProgramState& state = context_.state;
    form.edit(QStringLiteral("editMachine"))->setText(line(27));
    form.edit(QStringLiteral("editSerialNr"))->setText(line(29));
    form.edit(QStringLiteral("editComment"))->setText(line(31));
    form.edit(QStringLiteral("editKFactor"))->setText(line(37));
    form.edit(QStringLiteral("editTolerance"))->setText(line(39));
    form.edit(QStringLiteral("editLanguageFilePath"))->setText(line(19));
    form.button(QStringLiteral("btnOtherLanguage"))->setEnabled(!line(19).isEmpty());

    const QString language = line(1);
    const char* languageButton = language == QLatin1String("DE")   ? "btnGerman"
                                 : language == QLatin1String("EN") ? "btnEnglish"
                                 : language == QLatin1String("IT") ? "btnItalian"
                                                                   : "btnOtherLanguage";
    form.button(QString::fromLatin1(languageButton))->setChecked(true);

    for (int channel = 1; channel <= 4; ++channel) {
        const int corner = ChannelPositions::cornerOfToken(line(9 + 2 * channel));
        if (corner != PositionNone)
            positions_.button(channel, corner)->setChecked(true); // runs the permutation rule
    }

    const bool usTons = line(3) == Yes;
    form.button(usTons ? QStringLiteral("btnUStons") : QStringLiteral("btnTons"))->setChecked(true);
    unit_labels::applyTonsChoice(form, usTons);

    for (int visibilityLine : {5, 23, 41})
        applyVisibility(visibilityLine, line(visibilityLine) == Yes);

    if (line(7) == QLatin1String("Manual")) {
        form.button(QStringLiteral("btnManualPortSelect"))->setChecked(true);
        state.portSearchStep = StepManualPort;
    } else {
        state.portSearchStep = StepAutoPort;
    }

    showPortControls(form, line(9));
}

void SettingsFile::copyControlsToLines() {
    const Form& form = context_.form;
    ProgramState& state = context_.state;
    setLine(27, form.edit(QStringLiteral("editMachine"))->text());
    setLine(29, form.edit(QStringLiteral("editSerialNr"))->text());
    setLine(31, form.edit(QStringLiteral("editComment"))->text());
    setLine(37, form.edit(QStringLiteral("editKFactor"))->text());
    setLine(39, form.edit(QStringLiteral("editTolerance"))->text());

    setLine(1, form.button(QStringLiteral("btnGerman"))->isChecked()    ? QStringLiteral("DE")
               : form.button(QStringLiteral("btnEnglish"))->isChecked() ? QStringLiteral("EN")
               : form.button(QStringLiteral("btnItalian"))->isChecked() ? QStringLiteral("IT")
                                                                        : QStringLiteral("OTHER"));

    for (int channel = 1; channel <= 4; ++channel) {
        const int corner = positions_.checkedCorner(channel);
        if (corner != PositionNone) {
            setLine(9 + 2 * channel, ChannelPositions::token(corner));
            continue;
        }
        // A channel without a corner takes the first corner no other channel holds.
        int free = PositionBottomRight;
        for (int candidate = PositionTopLeft; candidate < PositionBottomRight; ++candidate) {
            bool taken = false;
            for (int other = 1; other <= 4; ++other)
                taken = taken || (other != channel && positions_.button(other, candidate)->isChecked());
            if (!taken) {
                free = candidate;
                break;
            }
        }
        positions_.button(channel, free)->setChecked(true);
    }

    const bool usTons = form.button(QStringLiteral("btnUStons"))->isChecked();
    setLine(3, usTons ? Yes : No);
    unit_labels::applyTonsChoice(form, usTons);

    for (int visibilityLine : {5, 23, 41}) {
        const bool shown = form.button(visibilityBox(visibilityLine))->isChecked();
        setLine(visibilityLine, shown ? Yes : No);
        applyVisibility(visibilityLine, shown);
    }

    const bool manual = form.button(QStringLiteral("btnManualPortSelect"))->isChecked();
    setLine(7, manual ? QStringLiteral("Manual") : QStringLiteral("Auto"));
    state.portSearchStep = manual ? StepManualPort : StepAutoPort;

    setLine(9, form.edit(QStringLiteral("editCOMPortNr"))->text());
    setLine(25, form.combo(QStringLiteral("comboDeviceSelect"))->currentText());
    setLine(19, form.edit(QStringLiteral("editLanguageFilePath"))->text());
}

void SettingsFile::SaveSettings(SettingsTarget target) {
    guarded([&] {
        context_.timers.deviceCom.stop();
        copyControlsToLines();
        WriteSettingsFile(target);
        if (language_)
            language_->ApplyLanguage();
        else
            context_.timers.deviceCom.start();
    });
}

void SettingsFile::WriteSettingsFile(SettingsTarget target) {
    restartSession();
    const QString defaultFile = QString::fromLatin1(DefaultFileName);
    if (target == TargetDefault) {
        writeTo(defaultFile);
        return;
    }
    const QString custom = line(CustomFileLine);
    writeTo(custom);
    readInto(defaultFile);
    setLine(CustomFileLine, custom);
    writeTo(defaultFile);
    readInto(custom);
}

void SettingsFile::SaveToActiveFile() {
    SaveSettings(line(CustomFileLine).isEmpty() ? TargetDefault : TargetCustom);
}

void SettingsFile::btnSaveCustomSettingsClick() {
    FileDialogState& dialog = context_.dialogSave;
    dialog.filter = QStringLiteral("Setup (*.ini)|*.INI");
    if (!context_.dialogs.runSaveDialog(dialog) || dialog.fileName.isEmpty())
        return;
    QString name = dialog.fileName;
    if (!name.endsWith(QLatin1Char('i')) && !name.endsWith(QLatin1Char('I')))
        name += QStringLiteral(".ini");
    setLine(CustomFileLine, name);
    SaveSettings(TargetCustom);
}

void SettingsFile::btnLoadCustomSettingsClicked() {
    FileDialogState& dialog = context_.dialogOpen;
    dialog.filter = QStringLiteral("Setup (*.ini)|*.INI");
    if (!context_.dialogs.runOpenDialog(dialog) || dialog.fileName.isEmpty())
        return;
    setLine(CustomFileLine, dialog.fileName);
    LoadSettings(TargetCustom);
}

void SettingsFile::storeReservedPorts(const QString& listText) {
    QStringList all = lines();
    // A file cut short before line 42 would put the list where no load looks for it and lose it: fill the
    // missing value lines with empty text (which is how they read anyway) first.
    while (all.size() < 42)
        all.append(QString());
    if (all.size() == 42) {
        all << QString::fromLatin1(ReservedPortsMarker) << QString();
    } else if (all.size() == 43) {
        all[42] = QString::fromLatin1(ReservedPortsMarker);
        all << QString();
    } else {
        all[42] = QString::fromLatin1(ReservedPortsMarker);
    }
    all[43] = listText;
    controls::setLines(settingsBox(context_), all);
    WriteSettingsFile(TargetDefault);
}

void SettingsFile::writeOnClose() {
    const Form& form = context_.form;
    setLine(27, form.edit(QStringLiteral("editMachine"))->text());
    setLine(29, form.edit(QStringLiteral("editSerialNr"))->text());
    setLine(31, form.edit(QStringLiteral("editComment"))->text());
    setLine(37, form.edit(QStringLiteral("editKFactor"))->text());
    setLine(39, form.edit(QStringLiteral("editTolerance"))->text());
    writeTo(QString::fromLatin1(DefaultFileName));
}

QList<std::int32_t> SettingsFile::ParseReservedPorts(const QString& text) {
    QList<std::int32_t> ports;
    QString entry;
    auto finish = [&] {
        if (const std::int32_t port = wtoi(entry))
            ports.append(port);
        entry.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char('\r'))
            finish();
        else
            entry += c;
    }
    if (!entry.isEmpty())
        finish();
    return ports;
}

QString SettingsFile::reservedPortsText(const QList<std::int32_t>& ports) {
    QString text;
    for (const std::int32_t port : ports)
        text += QString::number(port) + QLatin1Char(',');
    return text;
}
