#pragma once
// The data log: one header line and one row per graph sample. The rows live here, compactly, not in a
// widget; the hidden box memoCSV shows them only while it is visible (debug mode), and what the user
// edits there is taken back before the log is saved. Fields are joined by the delimiter text as it stands,
// without quoting. Every row also goes to the journal.

#include "settings/LanguageParticipant.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <string_view>
#include <vector>

class Journal;
class QLineEdit;
class QPlainTextEdit;
struct MachineInfo;
struct ProgramState;
struct StatusView;
struct ValueView;

class DataLog : public QObject, public LanguageParticipant {
public:
    // Where the fields of the header and of a row come from.
    struct Sources {
        const ValueView& values;
        const MachineInfo& machine;
        const StatusView& clock;
        const QLineEdit* delimiter;
        const ProgramState& state;
        const Language& language;
    };

    DataLog(QPlainTextEdit* view, const Sources& sources, Journal& journal);

    // Field 1, then for each further field the delimiter and the field. A line break inside a field
    // becomes a blank, so that a row stays one line of the file.
    static QString buildLine(const QStringList& fields, const QString& delimiter);

    // The 21 header fields in the current language and captions, and those of a row now.
    QStringList headerFields(const Language& language) const;
    QStringList rowFields() const;

    QString header() const { return header_; }
    qsizetype rowCount() const { return rowCount_; }
    // The rows, each ended by "\n", in UTF-8, in pieces of about a megabyte.
    const std::vector<std::string>& rowChunks() const { return chunks_; }
    // Header and rows as lines (for small logs: tests and the debug view).
    QStringList lines() const;
    // The rows from index first on, as pieces of whole "\n"-ended rows.
    std::vector<std::string_view> rowsFrom(qsizetype first) const;

    // What was saved where, so that appending to a file writes only the rows it does not have yet. A file
    // counts as holding the rows sent to it while it is at least as long as it was after that save.
    qsizetype rowsSentTo(const QString& canonicalPath, qint64 fileSize) const;
    void markSent(const QString& canonicalPath, qint64 fileSize);
    // Rows that no save has written yet (recovered rows included).
    qsizetype unsavedRows() const { return rowCount_ - savedRows_; }
    // The user chose to let these rows go.
    void discardUnsaved() { savedRows_ = rowCount_; }

    // A row of the values now; the first row under the header makes the header anew (the unit may have
    // changed since the log was emptied).
    void appendRow();
    // Rows of a recording that did not end normally, put back after the header.
    void restoreRows(const QStringList& rows);
    // Header only, the journal emptied.
    void clear();
    // What the user changed in the visible box becomes the log.
    void takeBackEdits();
    std::size_t memoryBytes() const;

    // The header anew; the rows stay.
    void applyLanguage(const Language& language) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SentMark {
        qsizetype rows;
        qint64 fileSize;
    };
    void forgetSaves();
    // The header from the captions now, in the box too when it shows the log.
    void rebuildHeader(const Language& language);
    void store(const QString& row);
    void trackEdits();
    void addRow(const QString& row);
    void absorbEdits();
    void showAll();

    QPlainTextEdit* view_;
    Sources sources_;
    Journal& journal_;
    QString header_;
    std::vector<std::string> chunks_;
    std::vector<qsizetype> chunkFirstRow_; // index of the first row of each chunk
    qsizetype rowCount_ = 0;
    qsizetype savedRows_ = 0;
    std::map<QString, SentMark> sent_;
    bool viewInSync_ = false; // the box shows the header and every row
    bool ownChange_ = false;  // the program itself is writing into the box
    bool userEdited_ = false; // the user changed the box since it was last in sync
};
