#pragma once
// A subsystem that shows texts of the language file renders them itself when a language is applied.

class Language;

class LanguageParticipant {
public:
    virtual ~LanguageParticipant() = default;
    // Before a new file's texts replace those of the old one, which are still readable here.
    virtual void beforeLanguageChange(const Language& /*old*/) {}
    virtual void applyLanguage(const Language& language) = 0;
};
