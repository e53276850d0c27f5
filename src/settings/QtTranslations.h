#pragma once
// Qt's own texts (the buttons and labels of the file and print dialogs, "Cancel") in the language applied:
// Qt's translations for German and Italian, none for English or a language file of the user's own.

#include "settings/LanguageParticipant.h"

#include <QTranslator>

class QtTranslations : public LanguageParticipant {
public:
    void applyLanguage(const Language& language) override;

private:
    QTranslator translator_; // uninstalls itself when it goes
    QString loaded_;
};
