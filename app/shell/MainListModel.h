#pragma once
// MainListModel: the main list's rows as a Qt table model of two columns,
// the entry's date (with the picture of its type) and its subject. The model
// holds no rows itself: it knows how many rows the list has (set by Reset)
// and answers every question from the row cache, so a journal of any size
// costs only the rows on screen. The cache is not owned. UI thread only.

#include "RowCache.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

class MainListModel : public QAbstractTableModel {
public:
    enum Column { DateColumn = 0, EntryColumn = 1, ColumnCount = 2 };
    // The entry's OID (a CEOID in a quint32) of any cell.
    static constexpr int OidRole = Qt::UserRole + 1;

    MainListModel(RowCache& cache, QObject* parent = nullptr);

    // The pictures of the entry types, by type; a type outside shows none.
    void SetTypeIcons(std::vector<QIcon> icons) { icons_ = std::move(icons); }

    // Forgets every row and the cache, and gives the list `rows` rows.
    void Reset(int rows);
    // Row `row` left the list (the rows after it move up).
    void RemoveRow(int row);
    // Row `row` shows something new.
    void RowChanged(int row);
    int Rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    RowCache& cache_;
    std::vector<QIcon> icons_;
    int rows_ = 0;
};
