#pragma once
// The records of the history table, newest first: only the rows the table shows are read from the store,
// a page at a time, so a database of a hundred thousand records opens at once.

#include "records/Record.h"
#include "records/RecordStore.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace records {

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

    explicit RecordsModel(RecordStore& store, QObject* parent = nullptr);

    // Reads the filter's first page anew; the rows read before are dropped.
    void setFilter(const Filter& filter);
    const Filter& filter() const { return filter_; }
    // How many records the filter selects, read or not.
    int total() const { return total_; }
    const Record& record(int row) const { return rows_.at(row); }
    // The row of a record among those read, or -1.
    int rowOf(const QString& id) const;
    // The captions of the columns and the tooltips of the tolerance mark, in the language chosen.
    void setTexts(const QStringList& headers, const QString& within, const QString& outside);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

public slots:
    // A record was stored here, or records of the plant arrived: the filter is read again, with as many
    // rows as were read before, so the table does not jump back to its top.
    void refresh();

private:
    QString text(const Record& record, int column) const;

    RecordStore& store_;
    Filter filter_;
    QList<Record> rows_;
    int total_ = 0;
    QStringList headers_;
    QString within_;
    QString outside_;
};

} // namespace records
