#include "records/RecordsModel.h"

#include "records/RecordText.h"

#include <QColor>

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

RecordsModel::RecordsModel(RecordStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

void RecordsModel::setFilter(const Filter& filter) {
    beginResetModel();
    filter_ = filter;
    total_ = store_.count(filter_);
    rows_ = store_.page(filter_, 0, PageSize);
    endResetModel();
}

void RecordsModel::refresh() {
    const int keep = std::max(static_cast<int>(rows_.size()), PageSize);
    beginResetModel();
    total_ = store_.count(filter_);
    rows_ = store_.page(filter_, 0, keep);
    endResetModel();
}

int RecordsModel::rowOf(const QString& id) const {
    for (int row = 0; row < rows_.size(); ++row)
        if (rows_[row].id == id)
            return row;
    return -1;
}

void RecordsModel::setTexts(const QStringList& headers, const QString& within, const QString& outside) {
    headers_ = headers;
    within_ = within;
    outside_ = outside;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!rows_.isEmpty())
        emit dataChanged(index(0, Tolerance), index(static_cast<int>(rows_.size()) - 1, Tolerance));
}

int RecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

bool RecordsModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && rows_.size() < total_;
}

void RecordsModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    const QList<Record> more = store_.page(filter_, static_cast<int>(rows_.size()), PageSize);
    if (more.isEmpty()) {
        // Fewer than counted: records went away meanwhile (another filter, a new database).
        total_ = static_cast<int>(rows_.size());
        return;
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    rows_.append(more);
    endInsertRows();
}

QString RecordsModel::text(const Record& record, int column) const {
    switch (column) {
    case Time:
        return shownTime(record);
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
        return value.isEmpty() ? value : value + QLatin1Char(' ') + record.unit;
    }
    case Deviation:
        return shownNumber(record.deviation);
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
