#include "records/RecordsModel.h"

#include "records/RecordText.h"
#include "records/RecordsReader.h"

#include <QColor>
#include <QSet>

namespace records {

namespace {
const QColor Green(0, 160, 0);
const QColor Red(220, 0, 0);

// A tooltip wraps only rich text: a ten-thousand-character comment would otherwise run off the screen.
QString wrappedTooltip(const QString& text) {
    return QStringLiteral("<div style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</div>");
}
} // namespace

RecordsModel::RecordsModel(const QString& path, QObject* parent)
    : QAbstractTableModel(parent), reader_(new RecordsReader(path, this)) {
    connect(reader_, &RecordsReader::rowsRead, this, &RecordsModel::onRowsRead);
    connect(reader_, &RecordsReader::counted, this, [this](quint64 ticket, int total) {
        if (ticket != ticket_)
            return;
        total_ = total;
        emit stateChanged();
    });
}

void RecordsModel::setFilter(const Filter& filter) {
    beginResetModel();
    filter_ = filter;
    rows_.clear();
    fresh_.clear();
    refreshing_ = end_ = false;
    next_ = {};
    total_ = -1;
    endResetModel();
    reading_ = true;
    wanted_ = PageSize;
    reader_->read(++ticket_, filter_, {}, {}, PageSize);
    reader_->count(ticket_, filter_);
    emit stateChanged();
}

void RecordsModel::refresh() {
    // A reading cut short here is finished by the refresh; at the end, records may have come after it.
    const int more = reading_ ? wanted_ : end_ || next_.isNull() ? PageSize : 0;
    refreshing_ = reading_ = true;
    wanted_ = more;
    fresh_.clear();
    reader_->read(++ticket_, filter_, {}, next_, more);
    reader_->count(ticket_, filter_);
    emit stateChanged();
}

void RecordsModel::onRowsRead(quint64 ticket, const Page& page, bool done) {
    if (ticket != ticket_)
        return; // a filter or refresh that was superseded
    // A refresh moves the place only when it is done: one that supersedes it starts from the old place.
    if (!refreshing_ || done) {
        next_ = page.next;
        end_ = page.end;
    }
    if (refreshing_) {
        fresh_ += page.records;
        if (done && !merge(fresh_)) {
            beginResetModel();
            rows_ = fresh_;
            endResetModel();
        }
    } else if (!page.records.isEmpty()) {
        const int first = static_cast<int>(rows_.size());
        beginInsertRows({}, first, first + static_cast<int>(page.records.size()) - 1);
        rows_ += page.records;
        endInsertRows();
        wanted_ -= static_cast<int>(page.records.size());
    }
    if (done) {
        reading_ = refreshing_ = false;
        fresh_.clear();
        emit stateChanged();
    }
}

bool RecordsModel::merge(const QList<Record>& fresh) {
    QSet<QString> known;
    for (const Record& r : rows_)
        known.insert(r.id);
    // Records are never taken away: the rows there were must all come again, in their order.
    qsizetype seen = 0;
    for (const Record& r : fresh) {
        if (!known.contains(r.id))
            continue;
        if (seen >= rows_.size() || rows_[seen].id != r.id)
            return false;
        ++seen;
    }
    if (seen != rows_.size())
        return false;
    for (qsizetype row = 0; row < fresh.size();) {
        if (row < rows_.size() && rows_[row].id == fresh[row].id) {
            rows_[row] = fresh[row]; // a note may have been added
            ++row;
            continue;
        }
        qsizetype end = row;
        while (end < fresh.size() && !known.contains(fresh[end].id))
            ++end;
        beginInsertRows({}, static_cast<int>(row), static_cast<int>(end - 1));
        rows_ = rows_.first(row) + fresh.mid(row, end - row) + rows_.mid(row);
        endInsertRows();
        row = end;
    }
    if (!rows_.isEmpty())
        emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, ColumnCount - 1));
    return true;
}

int RecordsModel::rowOf(const QString& id) const {
    for (int row = 0; row < rows_.size(); ++row)
        if (rows_[row].id == id)
            return row;
    return -1;
}

void RecordsModel::setTexts(const QStringList& headers, const QString& within, const QString& outside,
                            const QString& timeFormat) {
    headers_ = headers;
    within_ = within;
    outside_ = outside;
    timeFormat_ = timeFormat;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!rows_.isEmpty())
        emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, ColumnCount - 1));
}

int RecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

bool RecordsModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !reading_ && !end_;
}

void RecordsModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    reading_ = true;
    wanted_ = PageSize;
    reader_->read(ticket_, filter_, next_, {}, PageSize);
    emit stateChanged();
}

QString RecordsModel::text(const Record& record, int column) const {
    switch (column) {
    case Time:
        return shownTime(record, timeFormat_);
    case Machine:
        return record.machine;
    case Comment:
        return record.comment;
    case Operator:
        return record.operatorName;
    case TotalKn:
        return shownNumber(record.totalKn);
    case Channel1:
    case Channel2:
    case Channel3:
    case Channel4: {
        const QString value = shownNumber(record.channels[column - Channel1]);
        return value.isEmpty() ? value : value + QLatin1Char(' ') + shownUnit(record.unit);
    }
    case Deviation:
        return shownDeviation(record.deviation);
    case Tolerance:
        return toleranceMark(record.withinTolerance);
    case Note:
        return record.note;
    }
    return {};
}

QVariant RecordsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Record& record = rows_[index.row()];
    const int column = index.column();
    const bool freeText = column == Machine || column == Comment || column == Operator || column == Note;
    switch (role) {
    case Qt::DisplayRole:
        return freeText ? cutText(text(record, column)) : text(record, column);
    case Qt::ToolTipRole:
        if (freeText) {
            const QString whole = text(record, column);
            return whole.isEmpty() ? QVariant() : wrappedTooltip(whole);
        }
        if (column == Tolerance && record.withinTolerance)
            return (*record.withinTolerance ? within_ : outside_).arg(shownNumber(record.tolerance));
        return {};
    case Qt::DecorationRole:
        if (column == Tolerance && record.withinTolerance)
            return *record.withinTolerance ? Green : Red;
        return {};
    case Qt::ForegroundRole:
        if (column == Tolerance && record.withinTolerance)
            return *record.withinTolerance ? Green : Red;
        return {};
    case Qt::TextAlignmentRole:
        if (column >= TotalKn && column <= Deviation)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (column == Tolerance)
            return Qt::AlignCenter;
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case IdRole:
        return record.id;
    }
    return {};
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headers_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace records
