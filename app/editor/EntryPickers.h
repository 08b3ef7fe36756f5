#pragma once
// EntryPickers: how the entry editor lets the user choose an entry's
// categories and contacts. The editor calls the picker of the tapped row with
// that row's field (its blob is the packed list of PackedLists.h) and the
// editor's window as parent; a picker that changed the field returns
// nonzero, and the editor then marks the entry changed and shows the field
// again. The base class picks nothing (both return 0), so the rows do
// nothing until the program installs the real pickers with
// EntryEditor::SetPickers. UI thread only.

class DbJItem;
class QWidget;

class EntryPickers {
public:
    virtual ~EntryPickers() = default;
    // The Categories field (PROPID_CATEGORIES). Nonzero when changed.
    virtual int PickCategories(DbJItem& field, QWidget* parent);
    // The Contacts field (PROPID_CONTACTS). Nonzero when changed.
    virtual int PickContacts(DbJItem& field, QWidget* parent);
};
