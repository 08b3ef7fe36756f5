#pragma once
// ContactListModel: the contact picker's rows: every contact of the address
// book in file-as order, column 0 the file-as name with a check box, column 1
// the company; a row is checked when the entry's contact list holds that
// contact (the same object id). The model is virtual: it keeps no rows of
// its own and answers from the store, which holds the contacts in memory, so
// a book of 10,000 contacts costs nothing to show or scroll.
//
// Checking or unchecking a row (by the view's check box) toggles the contact
// in the list the model was given: unchecked, the entry's copy is removed;
// checked, a copy of the contact (id, file-as name, company) is appended.
// The store and the list are not owned and must outlive the model. UI
// thread only.

#include "DbAItem.h"
#include "PimStore.h"

#include <QAbstractTableModel>

#include <functional>
#include <vector>

class ContactListModel : public QAbstractTableModel {
public:
    enum : int {
        kObjectIdRole = Qt::UserRole + 1,
    };

    ContactListModel(PimStore& store, std::vector<DbAItem>& chosen, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Toggles the contact of `row`; returns false for a row past the end.
    bool Toggle(int row);
    // The row count and every row again (after the store read changes).
    void Reload();
    // The contact of `row` (0-based), null past the end.
    const PimContact* ContactAt(int row) const { return store_.ContactAt(row + 1); }

    // Called after a row was checked or unchecked.
    void SetOnToggled(std::function<void(int row)> onToggled) { onToggled_ = std::move(onToggled); }

private:
    // Index of the entry's copy of `oid` in the chosen list, -1 when none.
    int ChosenIndex(DWORD oid) const;

    PimStore& store_;
    std::vector<DbAItem>& chosen_;
    std::function<void(int row)> onToggled_;
};

// The row a typed or tapped letter goes to: row 0 for '#'; else the first
// contact whose file-as name begins with the letter, both folded to one
// case; for a letter no name begins with, the row where such names would be
// (the last row when they would come after every name). -1 for an empty
// list.
int RowForLetter(const PimStore& store, QChar letter);
