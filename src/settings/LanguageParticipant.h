#pragma once
// A subsystem that shows texts of the language file renders them itself when a language is applied.

class Language;

class LanguageParticipant {
public:
    virtual ~LanguageParticipant() = default;
    virtual void applyLanguage(const Language& language) = 0;
};
