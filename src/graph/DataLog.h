#pragma once
// The data log: one header line and one row per graph sample, held in the hidden box memoCSV. Fields are
// joined by the delimiter text as it stands, without quoting.

#include <QString>
#include <QStringList>

class Form;
class Language;

class DataLog {
public:
    DataLog(const Form& form, const Language& language);

    // Field 1, then for each further field the delimiter and the field.
    static QString buildLine(const QStringList& fields, const QString& delimiter);

    // The 21 header fields in the current language and captions.
    QStringList headerFields() const;
    QString delimiter() const;
    // Line 0 of the log becomes the header; the rows stay (a language change).
    void replaceHeader();

private:
    const Form& form_;
    const Language& language_;
};
