#include "settings/SettingsFile.h"

#include "Controls.h"
#include "Errors.h"
#include "ProgramState.h"
#include "Resources.h"
#include "Views.h"
#include "WholeFile.h"
#include "device/DeviceSession.h"
#include "dialogs/Dialogs.h"
#include "evaluation/UnitLabels.h"
#include "evaluation/ValueDisplay.h"
#include "settings/ChannelPositions.h"
#include "settings/Language.h"
#include "settings/LanguageApplier.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>

#include <algorithm>
#include <initializer_list>
#include <limits>

namespace {
const QString Yes = QStringLiteral("YES");
const QString No = QStringLiteral("NO");

// Lines of the values. The even lines between them carry descriptions.
constexpr int LanguageLine = 1;
constexpr int UsTonsLine = 3;
constexpr int SingleValuesLine = 5;
constexpr int PortModeLine = 7;
constexpr int PortNumberLine = 9;
constexpr int FirstPositionLine = 11; // 11, 13, 15, 17 for channels 1 to 4
constexpr int LanguageFileLine = 19;
constexpr int KFactorShownLine = 23;
constexpr int DeviceLine = 25;
constexpr int MachineLine = 27;
constexpr int SerialNrLine = 29;
constexpr int CommentLine = 31;
constexpr int KFactorLine = 37;
constexpr int ToleranceLine = 39;
constexpr int ToleranceShownLine = 41;
constexpr int ReservedMarkerLine = 42;
constexpr int ReservedPortsLine = 43;

void setVisible(std::initializer_list<QWidget*> controls, bool shown) {
    for (QWidget* control : controls)
        control->setVisible(shown);
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

SettingsFile::SettingsFile(const Views& views, const Services& services, ProgramState& state)
    : box_(views.page.settingsLines), views_(views), services_(services), state_(state) {}

QString SettingsFile::line(int index) const { return controls::line(box_, index); }
void SettingsFile::setLine(int index, const QString& text) { controls::setLine(box_, index, text); }
QStringList SettingsFile::lines() const { return controls::lines(box_); }
bool SettingsFile::singleValuesWanted() const { return line(SingleValuesLine) == Yes; }
QString SettingsFile::chosenDevice() const { return line(DeviceLine); }

void SettingsFile::readInto(const QString& path) {
    const textfile::Document document = textfile::read(path);
    encoding_ = document.encoding;
    controls::setLines(box_, document.lines);
}

void SettingsFile::writeTo(const QString& path) { textfile::write(path, lines(), encoding_); }

QString SettingsFile::languageCodeFor(const QLocale& locale) {
    switch (locale.language()) {
    case QLocale::German:
        return QStringLiteral("DE");
    case QLocale::Italian:
        return QStringLiteral("IT");
    default:
        return QStringLiteral("EN");
    }
}

QByteArray SettingsFile::withDesktopLanguage(const QByteArray& shipped) {
    // The language the desktop shows its texts in (LANGUAGE, LC_MESSAGES), not the one of its numbers.
    const QString code = languageCodeFor(QLocale(QLocale().uiLanguages().value(0)));
    textfile::Document document = textfile::decode(shipped);
    if (document.lines.size() <= LanguageLine || document.lines[LanguageLine] == code)
        return shipped;
    document.lines[LanguageLine] = code;
    return textfile::encode(document.lines, document.encoding);
}

void SettingsFile::installMissingFiles(QStringList* problems) {
    ensureResources();
    for (const char* name : ShippedFiles) {
        const QString target = QString::fromLatin1(name);
        if (QFile::exists(target))
            continue;
        QFile shipped(QStringLiteral(":/") + target);
        // All or nothing: an empty file left by a full disk would be taken for a damaged one at the next
        // start.
        QString reason;
        if (!shipped.open(QIODevice::ReadOnly))
            reason = shipped.errorString();
        else if (writeWholeFile(target,
                                target == QLatin1String(DefaultFileName)
                                    ? withDesktopLanguage(shipped.readAll())
                                    : shipped.readAll(),
                                &reason))
            continue;
        if (problems)
            problems->append(QStringLiteral("Cannot create file \"%1\". %2").arg(target, reason));
    }
}

bool SettingsFile::looksBinary(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return false; // UTF-16 has zero bytes of its own
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && b != '\t' && b != '\r' && b != '\n';
    });
}

QStringList SettingsFile::shippedLines() {
    ensureResources();
    QFile shipped(QStringLiteral(":/Vantoria.ini"));
    shipped.open(QIODevice::ReadOnly);
    return textfile::decode(shipped.readAll()).lines;
}

void SettingsFile::repairDefaultFile() {
    const QString name = QString::fromLatin1(DefaultFileName);
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    file.close();
    const Language& language = services_.language.language();
    if (looksBinary(bytes)) {
        // Kept for whoever wants to look at it; the program starts with the shipped settings.
        const QString damaged = name + QStringLiteral(".damaged");
        QFile::remove(damaged);
        if (QFile::rename(name, damaged)) {
            installMissingFiles(nullptr);
            services_.dialogs.inform(language.own(OwnText::SettingsDamaged).arg(name, damaged));
        }
        return;
    }
    const textfile::Document document = textfile::decode(bytes);
    if (document.lines.size() >= OlderLayoutLines)
        return;
    // Cut short (a crash while it was copied, a full disk): the missing lines come from the defaults.
    QStringList lines = document.lines;
    const QStringList defaults = shippedLines();
    for (qsizetype i = lines.size(); i < defaults.size(); ++i)
        lines.append(defaults[i]);
    try {
        textfile::write(name, lines, document.encoding);
        services_.dialogs.inform(language.own(OwnText::SettingsCompleted).arg(name));
    } catch (const UserError& error) {
        services_.dialogs.showError(error.message());
    }
}

void SettingsFile::loadAtStartUp() {
    QStringList problems;
    installMissingFiles(&problems);
    repairDefaultFile();
    try {
        readInto(QString::fromLatin1(DefaultFileName));
    } catch (const UserError& error) {
        // Without a readable settings file the program still starts, with the shipped settings. Where the
        // folder takes no file, the user hears of it once, in one box, not once per file.
        if (!problems.join(QLatin1Char('\n')).contains(QLatin1String(DefaultFileName)))
            problems.append(error.message());
        services_.dialogs.showError(problems.join(QLatin1Char('\n')));
        encoding_ = {};
        controls::setLines(box_, shippedLines());
        applyLoadedLines();
        return;
    }
    if (!problems.isEmpty())
        services_.dialogs.showError(problems.join(QLatin1Char('\n')));
    reportLongLines(QString::fromLatin1(DefaultFileName));
    startingUp_ = true;
    LoadSettings(line(CustomFileLine).isEmpty() ? TargetDefault : TargetCustom);
    startingUp_ = false;
}

void SettingsFile::LoadSettings(SettingsTarget target) {
    const DeviceSession::Pause paused = services_.session.pause();
    try {
        customPath_.clear();
        if (target == TargetDefault) {
            readInto(QString::fromLatin1(DefaultFileName));
        } else {
            const QString custom = line(CustomFileLine);
            readInto(QString::fromLatin1(DefaultFileName));
            const QString previous = line(CustomFileLine);
            try {
                // Read before the default file names it, so a file that cannot be loaded is never named.
                const textfile::Document chosen = textfile::read(custom);
                setLine(CustomFileLine, custom);
                writeTo(QString::fromLatin1(DefaultFileName));
                encoding_ = chosen.encoding;
                controls::setLines(box_, chosen.lines);
                customPath_ = custom;
            } catch (const UserError& error) {
                // The default file's own lines stand in for the custom file, so the program keeps running
                // with a complete set of settings. At start-up the user may leave the missing file for good,
                // or every start would report it again. A load chosen by the user keeps the file in use.
                if (!startingUp_) {
                    services_.dialogs.showError(error.message());
                    if (!previous.isEmpty() && previous != custom) {
                        try {
                            readInto(previous);
                            customPath_ = previous;
                        } catch (const UserError&) {
                            readInto(QString::fromLatin1(DefaultFileName));
                        }
                    }
                } else if (services_.dialogs.askYesNo(
                               error.message() + QStringLiteral("\n\n") +
                               services_.language.language().own(OwnText::ForgetCustomFile))) {
                    setLine(CustomFileLine, QString());
                    writeTo(QString::fromLatin1(DefaultFileName));
                }
            }
        }
        applyLoadedLines();
    } catch (const UserError& error) {
        services_.dialogs.showError(error.message());
    }
}

void SettingsFile::applyLoadedLines() {
    applyToControls();
    state_.reservedPortsText = line(ReservedPortsLine);
    state_.reservedPorts += ParseReservedPorts(state_.reservedPortsText);
    services_.session.restartFromLastPort();
    services_.language.ApplyLanguage();
}

void SettingsFile::applyVisibility(int line, bool shown) {
    const SettingsPage& page = views_.page;
    const ParameterView& parameters = views_.parameters;
    switch (line) {
    case SingleValuesLine:
        ValueDisplay::showSensorDisplays(views_.values, shown);
        page.view.showSingleValue->setChecked(shown);
        services_.session.setPollMode(shown ? PollChannelsAndSensors : PollChannels);
        break;
    case KFactorShownLine:
        setVisible({parameters.kFactor.button, parameters.kFactor.edit, parameters.kFactor.label}, shown);
        page.view.showKFactor->setChecked(shown);
        break;
    default:
        setVisible({parameters.tolerance.label, parameters.tolerance.button, parameters.tolerance.edit,
                    parameters.divergenceLabel, parameters.divergence},
                   shown);
        page.view.showTolerance->setChecked(shown);
        break;
    }
}

void SettingsFile::applyToControls() {
    const SettingsPage& page = views_.page;
    const MachineInfo& machine = views_.machine;
    machine.machine->setText(line(MachineLine));
    machine.serialNr->setText(line(SerialNrLine));
    machine.comment->setText(line(CommentLine));
    views_.parameters.kFactor.edit->setText(line(KFactorLine));
    views_.parameters.tolerance.edit->setText(line(ToleranceLine));
    page.language.path->setText(line(LanguageFileLine));
    page.language.other->setEnabled(!line(LanguageFileLine).isEmpty());

    const QString language = line(LanguageLine);
    QAbstractButton* languageButton = language == QLatin1String("DE")   ? page.language.german
                                      : language == QLatin1String("EN") ? page.language.english
                                      : language == QLatin1String("IT") ? page.language.italian
                                                                        : page.language.other;
    languageButton->setChecked(true);

    for (int channel = 1; channel <= 4; ++channel) {
        const int corner = ChannelPositions::cornerOfToken(line(FirstPositionLine - 2 + 2 * channel));
        if (corner != PositionNone)
            services_.positions.button(channel, corner)->setChecked(true); // runs the permutation rule
    }

    const bool usTons = line(UsTonsLine) == Yes;
    (usTons ? page.view.usTons : page.view.tons)->setChecked(true);
    unit_labels::applyTonsChoice(views_.values, usTons);

    for (int visibilityLine : {SingleValuesLine, KFactorShownLine, ToleranceShownLine})
        applyVisibility(visibilityLine, line(visibilityLine) == Yes);

    if (line(PortModeLine) == QLatin1String("Manual")) {
        page.port.manualSelect->setChecked(true);
        services_.session.setPortSearch(StepManualPort);
    } else {
        services_.session.setPortSearch(StepAutoPort);
    }

    services_.session.choosePort(line(PortNumberLine));
}

void SettingsFile::reportLongLines(const QString& path) {
    QStringList numbers;
    const QStringList all = lines();
    for (qsizetype i = 0; i < all.size(); ++i)
        if (all[i].size() > LongestUsableLine)
            numbers.append(QString::number(i + 1)); // as an editor counts them
    if (!numbers.isEmpty())
        services_.dialogs.inform(services_.language.language()
                                     .own(OwnText::SettingsLinesLong)
                                     .arg(path, numbers.join(QStringLiteral(", ")))
                                     .arg(LongestUsableLine));
}

void SettingsFile::copyFieldToLine(int index, const QLineEdit* field) {
    // The field holds only the start of an over-long line: unless the user changed it, the line stays whole.
    const QString kept = line(index);
    if (kept.size() > field->maxLength() && field->text() == kept.left(field->maxLength()))
        return;
    setLine(index, field->text());
}

void SettingsFile::copyFreeTextsToLines() {
    copyFieldToLine(MachineLine, views_.machine.machine);
    copyFieldToLine(SerialNrLine, views_.machine.serialNr);
    copyFieldToLine(CommentLine, views_.machine.comment);
    copyFieldToLine(KFactorLine, views_.parameters.kFactor.edit);
    copyFieldToLine(ToleranceLine, views_.parameters.tolerance.edit);
}

void SettingsFile::copyControlsToLines() {
    const SettingsPage& page = views_.page;
    copyFreeTextsToLines();

    setLine(LanguageLine, page.language.german->isChecked()    ? QStringLiteral("DE")
                          : page.language.english->isChecked() ? QStringLiteral("EN")
                          : page.language.italian->isChecked() ? QStringLiteral("IT")
                                                               : QStringLiteral("OTHER"));

    ChannelPositions& positions = services_.positions;
    for (int channel = 1; channel <= 4; ++channel) {
        const int corner = positions.checkedCorner(channel);
        if (corner != PositionNone)
            setLine(FirstPositionLine - 2 + 2 * channel, ChannelPositions::token(corner));
        else
            positions.button(channel, positions.firstFreeCorner(channel))->setChecked(true);
    }

    const bool usTons = page.view.usTons->isChecked();
    setLine(UsTonsLine, usTons ? Yes : No);
    unit_labels::applyTonsChoice(views_.values, usTons);

    const std::pair<int, QAbstractButton*> shownLines[] = {{SingleValuesLine, page.view.showSingleValue},
                                                           {KFactorShownLine, page.view.showKFactor},
                                                           {ToleranceShownLine, page.view.showTolerance}};
    for (const auto& [visibilityLine, box] : shownLines) {
        const bool shown = box->isChecked();
        setLine(visibilityLine, shown ? Yes : No);
        applyVisibility(visibilityLine, shown);
    }

    const bool manual = page.port.manualSelect->isChecked();
    setLine(PortModeLine, manual ? QStringLiteral("Manual") : QStringLiteral("Auto"));
    services_.session.setPortSearch(manual ? StepManualPort : StepAutoPort);

    setLine(PortNumberLine, page.port.number->text());
    setLine(DeviceLine, page.port.device->currentText());
    setLine(LanguageFileLine, page.language.path->text());
}

bool SettingsFile::SaveSettings(SettingsTarget target) {
    const DeviceSession::Pause paused = services_.session.pause();
    try {
        copyControlsToLines();
        WriteSettingsFile(target);
        services_.language.ApplyLanguage();
        return true;
    } catch (const UserError& error) {
        services_.dialogs.showError(error.message());
        return false;
    }
}

void SettingsFile::WriteSettingsFile(SettingsTarget target) {
    services_.session.restartFromLastPort();
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
    customPath_ = custom;
}

void SettingsFile::SaveToActiveFile() {
    SaveSettings(line(CustomFileLine).isEmpty() ? TargetDefault : TargetCustom);
}

void SettingsFile::btnSaveCustomSettingsClick() {
    FileDialogState& dialog = services_.dialogSave;
    dialog.filter = QStringLiteral("Setup (*.ini)|*.INI");
    if (!services_.dialogs.runSaveDialog(dialog) || dialog.fileName.isEmpty())
        return;
    QString name = dialog.fileName;
    if (!name.endsWith(QLatin1Char('i')) && !name.endsWith(QLatin1Char('I')))
        name += QStringLiteral(".ini");
    // The name is kept only once the file was written: a failed save must not leave a dead path behind.
    const QString previous = line(CustomFileLine);
    setLine(CustomFileLine, name);
    if (!SaveSettings(TargetCustom))
        setLine(CustomFileLine, previous);
}

void SettingsFile::btnLoadCustomSettingsClicked() {
    FileDialogState& dialog = services_.dialogOpen;
    dialog.filter = QStringLiteral("Setup (*.ini)|*.INI");
    if (!services_.dialogs.runOpenDialog(dialog) || dialog.fileName.isEmpty())
        return;
    setLine(CustomFileLine, dialog.fileName);
    LoadSettings(TargetCustom);
}

void SettingsFile::storeReservedPorts(const QString& listText) {
    QStringList all = lines();
    // A file cut short before line 42 would put the list where no load looks for it and lose it: fill the
    // missing value lines with empty text (which is how they read anyway) first.
    while (all.size() < ReservedMarkerLine)
        all.append(QString());
    if (all.size() == ReservedMarkerLine)
        all << QString();
    all[ReservedMarkerLine] = QString::fromLatin1(ReservedPortsMarker);
    if (all.size() == ReservedPortsLine)
        all << QString();
    all[ReservedPortsLine] = listText;
    controls::setLines(box_, all);
    WriteSettingsFile(TargetDefault);
}

void SettingsFile::writeOnClose() {
    copyFreeTextsToLines();
    writeTo(QString::fromLatin1(DefaultFileName));
    // The next start loads the custom file: what was typed must be in it too, or it is lost.
    if (!customPath_.isEmpty())
        writeTo(customPath_);
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

void SettingsFile::applyLanguage(const Language& language) {
    const ViewOptions& view = views_.page.view;
    view.group->setTitle(language.text(lang::ViewGroup));
    view.showSingleValue->setText(language.text(lang::ShowSingleValue));
    view.showKFactor->setText(language.text(lang::ShowKFactor));
    view.showTolerance->setText(language.text(lang::ShowTolerance));
    controls::setCaption(views_.page.csvDelimiterLabel, language.text(lang::CsvDelimiter));
    views_.page.loadCustom->setText(language.text(lang::LoadCustomSettings));
}
