#pragma once
// The lines of the language file applied last, held in the hidden box memoLanguageObjects. Other subsystems
// read status texts, captions and device names from it by line number.

#include "settings/OwnTexts.h"

#include <QHash>
#include <QMetaObject>
#include <QString>

class QPlainTextEdit;

class Language {
public:
    explicit Language(QPlainTextEdit* lines);
    ~Language();
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;

    // Language line `line`, or an empty text when the file has no such line.
    QString text(int line) const;
    // The program's own texts in the language chosen ("DE", "EN", "IT", else English).
    QString own(OwnText text) const { return ownText(text, code_); }
    void setCode(const QString& code) { code_ = code; }
    const QString& code() const { return code_; }

private:
    QPlainTextEdit* lines_;
    // Captions are compared with these lines on every reply of the amplifier; finding a line in the box's
    // document each time cost more than the rest of the reply. Emptied whenever the box changes.
    mutable QHash<int, QString> read_;
    QMetaObject::Connection changed_;
    QString code_ = QStringLiteral("DE");
};
