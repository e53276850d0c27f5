#include "settings/LanguageApplier.h"

#include "Controls.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Views.h"
#include "device/DeviceSession.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/TextFile.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>

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
    try {
        const textfile::Document document = textfile::read(file);
        if (document.lines.size() < lang::LineCount)
            throw UserError(
                QStringLiteral("The language file \"%1\" has %2 lines; it needs %3. The texts stay as "
                               "they are.")
                    .arg(file)
                    .arg(document.lines.size())
                    .arg(lang::LineCount));
        for (LanguageParticipant* participant : participants_)
            participant->beforeLanguageChange(language_);
        controls::setLines(choice_.lines, document.lines);
        language_.setCode(choice_.german->isChecked()           ? QStringLiteral("DE")
                          : choice_.italian->isChecked()        ? QStringLiteral("IT")
                          : choice_.english->isChecked()        ? QStringLiteral("EN")
                          : file == QLatin1String("German.txt") ? QStringLiteral("DE")
                                                                : QStringLiteral("EN"));
    } catch (const UserError& error) {
        dialogs_.showError(error.message());
        return;
    }
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
