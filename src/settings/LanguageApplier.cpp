#include "settings/LanguageApplier.h"

#include "Controls.h"
#include "Errors.h"
#include "Resources.h"
#include "Views.h"
#include "device/DeviceSession.h"
#include "dialogs/Dialogs.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/TextFile.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>

namespace {
// The language of the program's own texts for a language file: English for one of the user's own.
QString codeOf(const QString& file) {
    if (file == QLatin1String("German.txt"))
        return QStringLiteral("DE");
    if (file == QLatin1String("Italian.txt"))
        return QStringLiteral("IT");
    return QStringLiteral("EN");
}
} // namespace

LanguageApplier::LanguageApplier(const LanguageChoice& choice, Language& language, DeviceSession& session,
                                 Dialogs& dialogs, FileDialogState& dialogOpen)
    : choice_(choice), language_(language), session_(session), dialogs_(dialogs), dialogOpen_(dialogOpen) {}

QString LanguageApplier::chosenFile() const {
    if (choice_.german->isChecked())
        return QStringLiteral("German.txt");
    if (choice_.english->isChecked())
        return QStringLiteral("English.txt");
    if (choice_.italian->isChecked())
        return QStringLiteral("Italian.txt");
    const QString path = choice_.path->text();
    return path.isEmpty() ? QStringLiteral("German.txt") : path;
}

void LanguageApplier::ApplyLanguage() {
    const DeviceSession::Pause paused = session_.pause();
    const QString file = chosenFile();
    QStringList lines;
    try {
        lines = textfile::read(file).lines;
        if (lines.size() < lang::LineCount)
            throw UserError(QStringLiteral("The language file \"%1\" has %2 lines; it needs %3.")
                                .arg(file)
                                .arg(lines.size())
                                .arg(lang::LineCount));
    } catch (const UserError& error) {
        const bool shipped = QStringList{"German.txt", "English.txt", "Italian.txt"}.contains(file);
        const QString builtIn = shipped ? file : QStringLiteral("German.txt");
        ensureResources();
        QFile copy(QStringLiteral(":/") + builtIn);
        copy.open(QIODevice::ReadOnly);
        lines = textfile::decode(copy.readAll()).lines;
        if (!reported_.contains(file)) {
            reported_.append(file);
            dialogs_.showError(error.message() + QLatin1Char(' ') +
                               ownText(OwnText::LanguageStandsIn, codeOf(builtIn)).arg(builtIn));
        }
    }
    QStringList cut;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > LongestLine) {
            lines[i].truncate(LongestLine);
            lines[i].squeeze();
            cut.append(QString::number(i));
        }
    }
    if (!cut.isEmpty() && !cutReported_.contains(file)) {
        cutReported_.append(file);
        dialogs_.inform(ownText(OwnText::LanguageLinesCut, codeOf(file))
                            .arg(file, cut.join(QStringLiteral(", ")))
                            .arg(LongestLine));
    }
    for (LanguageParticipant* participant : participants_)
        participant->beforeLanguageChange(language_);
    controls::setLines(choice_.lines, lines);
    language_.setCode(choice_.german->isChecked()    ? QStringLiteral("DE")
                      : choice_.italian->isChecked() ? QStringLiteral("IT")
                      : choice_.english->isChecked() ? QStringLiteral("EN")
                                                     : codeOf(file));
    applyOwnTexts();
    for (LanguageParticipant* participant : participants_)
        participant->applyLanguage(language_);
}

void LanguageApplier::applyOwnTexts() {
    choice_.group->setTitle(language_.text(lang::LanguageGroup));
    choice_.german->setText(language_.text(lang::German));
    choice_.english->setText(language_.text(lang::English));
    choice_.italian->setText(language_.text(lang::Italian));
    const QString path = choice_.path->text();
    choice_.other->setText(path.isEmpty() ? language_.text(lang::OtherLanguage)
                                          : path.left(qMax(0, path.size() - 4)));
}

void LanguageApplier::editLanguageFilePathClick() {
    if (!dialogs_.runOpenDialog(dialogOpen_))
        return;
    const QString path = dialogOpen_.fileName;
    choice_.path->setText(path);
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(slash + 1);
    choice_.other->setText(name.left(qMax(0, name.size() - 4)));
}
