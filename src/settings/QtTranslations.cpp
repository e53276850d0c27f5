#include "settings/QtTranslations.h"

#include "settings/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>

void QtTranslations::applyLanguage(const Language& language) {
    const QString wanted = language.code() == QLatin1String("DE")   ? QStringLiteral("de")
                           : language.code() == QLatin1String("IT") ? QStringLiteral("it")
                                                                    : QString();
    if (wanted == loaded_)
        return;
    QCoreApplication::removeTranslator(&translator_);
    loaded_.clear();
    // Without Qt's translation files the dialogs stay English, which is no reason to stop.
    if (wanted.isEmpty() || !translator_.load(QStringLiteral("qtbase_") + wanted,
                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(&translator_);
    loaded_ = wanted;
}
