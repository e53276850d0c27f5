#pragma once
// The lines of the language file applied last, held in the hidden box memoLanguageObjects. Other subsystems
// read status texts, captions and device names from it by line number.

#include <QString>

class QPlainTextEdit;

class Language {
public:
    explicit Language(QPlainTextEdit* lines) : lines_(lines) {}

    // Language line `line`, or an empty text when the file has no such line.
    QString text(int line) const;

private:
    QPlainTextEdit* lines_;
};
