#include "MainListModel.h"

MainListModel::MainListModel(RowCache& cache, QObject* parent)
    : QAbstractTableModel(parent)
    , cache_(cache)
{
}

void MainListModel::Reset(int rows)
{
    beginResetModel();
    cache_.Clear();
    rows_ = rows < 0 ? 0 : rows;
    endResetModel();
}

void MainListModel::RemoveRow(int row)
{
    if (row < 0 || row >= rows_)
        return;
    beginRemoveRows({}, row, row);
    cache_.DeleteRow(row);
    --rows_;
    endRemoveRows();
}

void MainListModel::RowChanged(int row)
{
    if (row >= 0 && row < rows_)
        emit dataChanged(index(row, DateColumn), index(row, EntryColumn));
}

int MainListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int MainListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MainListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return {};
    // Only these roles reach the cache: a view asks for many more per cell.
    switch (role) {
    case Qt::DisplayRole: {
        const ListRow row = cache_.Row(index.row());
        return index.column() == DateColumn ? row.dateText : row.subject;
    }
    case Qt::DecorationRole: {
        if (index.column() != DateColumn)
            return {};
        const int image = cache_.Row(index.row()).image;
        if (image < 0 || image >= static_cast<int>(icons_.size()))
            return {};
        return icons_[static_cast<std::size_t>(image)];
    }
    case OidRole:
        return static_cast<quint32>(cache_.RowOid(index.row()));
    default:
        return {};
    }
}

Qt::ItemFlags MainListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
