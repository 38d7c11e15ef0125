#include "app/BookTableModel.h"

namespace penshelf {

namespace {

// The type before the number, in the window's language.
QString statText(const std::string& stat) {
    const QString text = QString::fromStdString(stat);
    for (const auto& [prefix, shown] : {std::pair{customStatPrefix, BookTableModel::tr("自制-")},
                                        std::pair{smartStatPrefix, BookTableModel::tr("智能-")}}) {
        const QString source = QString::fromUtf8(prefix);
        if (text.startsWith(source)) return shown + text.mid(source.size());
    }
    return text;
}

}  // namespace

BookTableModel::BookTableModel(const std::vector<ListData>& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {}

void BookTableModel::reload() {
    beginResetModel();
    endResetModel();
}

int BookTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BookTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BookTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() ||
        index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const ListData& row = rows_[static_cast<size_t>(index.row())];
    switch (index.column()) {
        case NameColumn:
            return QString::fromStdString(row.name);
        case StatColumn:
            return statText(row.stat);
        default:
            return {};
    }
}

QVariant BookTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    // A first click on a column's header sorts it A to Z, in any style.
    if (role == Qt::InitialSortOrderRole) return Qt::AscendingOrder;
    if (role != Qt::DisplayRole) return {};
    switch (section) {
        case NameColumn:
            return tr("点读包名称");
        case StatColumn:
            return tr("类型-编号");
        default:
            return {};
    }
}

}  // namespace penshelf
