#pragma once
// The data log: one header line and one row per graph sample, held in the hidden box memoCSV. Fields are
// joined by the delimiter text as it stands, without quoting. The header names the columns with the
// captions the window shows.

#include "settings/LanguageParticipant.h"

#include <QString>
#include <QStringList>

class QLineEdit;
class QPlainTextEdit;
struct MachineInfo;
struct ValueView;

class DataLog : public LanguageParticipant {
public:
    DataLog(QPlainTextEdit* log, const QLineEdit* delimiter, const ValueView& values,
            const MachineInfo& machine);

    // Field 1, then for each further field the delimiter and the field.
    static QString buildLine(const QStringList& fields, const QString& delimiter);

    // The 21 header fields in the current language and captions.
    QStringList headerFields(const Language& language) const;
    QString delimiter() const;

    // Line 0 of the log becomes the header; the rows stay. Runs after the captions it names are rendered.
    void applyLanguage(const Language& language) override;

private:
    QPlainTextEdit* log_;
    const QLineEdit* delimiter_;
    const ValueView& values_;
    const MachineInfo& machine_;
};
