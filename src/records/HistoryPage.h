#pragma once
// The history page: every stored check, newest first, filtered by machine and a search text; the trend of
// one machine under it; and what can be done with a check afterwards: its protocol, a note, the export of
// the checks shown. The store is read only when the page is shown: a record stored while the user is on
// the main view costs no reading until the page is opened. The table's rows, their count and the export
// are read off the window's thread; a line over the table says what is under way and how many there are.

#include "Views.h"
#include "dialogs/Dialogs.h"
#include "records/RecordStore.h"
#include "settings/LanguageParticipant.h"

#include <QObject>
#include <QTimer>

class QLabel;

#include <functional>
#include <memory>
#include <optional>

class Language;

namespace records {

class HistoryTrend;
class RecordsModel;
class SqliteStore;

class HistoryPage : public QObject, public LanguageParticipant {
    Q_OBJECT

public:
    // Writes the protocol of a record as a PDF; false with the message for the user in *error.
    using ProtocolWriter = std::function<bool(const Record&, const QString& path, QString* error)>;
    static constexpr int SearchDelayMs = 250;
    static constexpr int TrendLimit = 10000;

    // The table reads the store's file on connections of its own.
    HistoryPage(const HistoryView& view, SqliteStore& store, Dialogs& dialogs, const Language& language);
    ~HistoryPage() override;

    void setProtocolWriter(ProtocolWriter writer);
    // Who adds a note: the operator's name.
    void setAuthor(std::function<QString()> author) { author_ = std::move(author); }
    // Records.ini, where a machine's nominal force is remembered.
    void setConfigFile(const QString& path);

    void applyLanguage(const Language& language) override;

    RecordsModel& model() const { return *model_; }
    std::optional<Record> selectedRecord() const;
    // What the search field says at its end: searching, or how many records the filter selects.
    QString statusText() const;

public slots:
    // A record was stored, or records of the plant arrived.
    void recordsChanged();
    // The machine or the search text changed; the search field waits SearchDelayMs for the next key first.
    void applyFilter();
    void exportRecords();
    void addNote();
    void writeProtocol();

signals:
    // A note was stored beside a record: the plant server is owed it.
    void noteAdded();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void onPageChanged();
    void onRowsShown();
    void onExported(const QString& path, int written, const QString& error);
    void showStatus();
    void reload();
    void fillMachines();
    void showTrend();
    void onTrendRead(quint64 ticket, const QList<Record>& records);
    // The records changed: the next trend is read anew.
    void forgetTrend();
    void updateButtons();
    // The chosen machine's nominal force in its field; none and disabled for all machines.
    void showNominal();
    void keepNominal();

    HistoryView view_;
    RecordStore& store_;
    Dialogs& dialogs_;
    const Language& language_;
    RecordsModel* model_; // owned by the table
    std::unique_ptr<HistoryTrend> trend_;
    // The trend last read, kept while the records stay as they are: choosing another check of the same
    // machine only moves the mark.
    struct ShownTrend {
        QString machine;
        QList<Record> records;
    };
    std::optional<ShownTrend> shownTrend_;
    QString wantedTrend_;
    quint64 trendTicket_ = 0;
    bool trendPending_ = false;
    QLabel* status_; // owned by the search field
    QTimer searchDelay_;
    FileDialogState exportDialog_;
    FileDialogState protocolDialog_;
    ProtocolWriter protocolWriter_;
    std::function<QString()> author_;
    bool stale_ = true;
    QString configPath_;
};

} // namespace records
