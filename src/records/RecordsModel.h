#pragma once
// The records of the history table, newest first: only the rows the table shows are read, a page at a
// time, and that off the window's thread (RecordsReader), so a search through a million records leaves the
// window free. Rows arrive as they are found; the count of the filter's records may come later.

#include "records/Record.h"
#include "records/RecordStore.h"
#include "records/RecordText.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace records {

class RecordsReader;

class RecordsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Time,
        Machine,
        Comment,
        Operator,
        TotalKn,
        Channel1,
        Channel2,
        Channel3,
        Channel4,
        Deviation,
        Tolerance,
        Note,
        ColumnCount
    };
    static constexpr int PageSize = 200;
    static constexpr int IdRole = Qt::UserRole;

    // `path`: the records file, which the window's store opened.
    explicit RecordsModel(const QString& path, QObject* parent = nullptr);

    // Reads the filter's first page anew; the rows read before are dropped, and so are the results of
    // every earlier filter still under way.
    void setFilter(const Filter& filter);
    const Filter& filter() const { return filter_; }
    // How many records the filter selects, read or not; -1 until they are counted.
    int total() const { return total_; }
    // Rows are being read.
    bool reading() const { return reading_; }
    RecordsReader& reader() const { return *reader_; }
    const Record& record(int row) const { return rows_.at(row); }
    // The row of a record among those read, or -1.
    int rowOf(const QString& id) const;
    // The captions of the columns, the tooltips of the tolerance mark and the format of the times (see
    // shownTimeFormat()), in the language chosen.
    void setTexts(const QStringList& headers, const QString& within, const QString& outside,
                  const QString& timeFormat);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

signals:
    // reading() or total() changed.
    void stateChanged();

public slots:
    // A record was stored here, or records of the plant arrived: the filter is read again down to where
    // the reading had come, so every row read before is there again, and the new ones come in between.
    // The rows chosen and the view's place stay where they were.
    void refresh();

private:
    void onRowsRead(quint64 ticket, const Page& page, bool done);
    // The rows read again: false when some of the rows before were no longer among them.
    bool merge(const QList<Record>& fresh);
    QString text(const Record& record, int column) const;

    RecordsReader* reader_;
    Filter filter_;
    QList<Record> rows_;
    int total_ = -1;
    quint64 ticket_ = 0;
    bool reading_ = false;
    int wanted_ = 0;          // rows the reading under way may still add
    bool refreshing_ = false; // the reading under way is a refresh, collected in fresh_
    QList<Record> fresh_;
    PageKey next_;
    bool end_ = false;
    QStringList headers_;
    QString within_;
    QString outside_;
    QString timeFormat_ = shownTimeFormat({});
};

} // namespace records
