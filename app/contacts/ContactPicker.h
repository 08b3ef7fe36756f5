#pragma once
// ContactPicker: the dialog the entry editor opens for its Contacts field: a
// check list of every contact of the address book (file-as name and company)
// with nine letter tabs below it. Ticking a contact links it to the entry,
// unticking unlinks it; a double tap shows the contact's card; a tab or a
// typed letter jumps to the first contact of that letter (tapping one tab
// again cycles through its letters: "#ab" goes to the top, then "a", then
// "b").
//
// On opening, every contact of the entry is found in the address book again
// (ContactLink.h: by id with its name, else by file-as name and company); one
// the address book lacks is offered to be added to it. OK writes the list
// back into the field (blob and "; "-joined text); closing otherwise leaves
// the field as it was.
//
// The field and the store are not owned and must outlive the dialog. UI
// thread only.

#include "DbAItem.h"
#include "DbJItem.h"
#include "PimStore.h"
#include "ZDialog.h"

#include <QPointer>
#include <QTableView>

#include <vector>

class ContactListModel;
class QTabBar;

class ContactPicker : public ZDialog {
public:
    enum : int {
        kTabsId = 1000,
        kListId = 1022,
    };
    static constexpr int kTabCount = 9;
    // The tabs' texts; leading spaces are part of them.
    static const char16_t* const kTabTexts[kTabCount];

    static constexpr WCHAR kLogonFailedText[] = u"Failed to logon to the address book.\nProgram exiting.";
    static constexpr WCHAR kNotInAddressBookText[]
        = u"This contact\n\n%s\n%s\n\nis not in the address book. You must add it to the address book if you "
          u"wish to use it in Kestrin.\n\nAdd Contact to the address book?";
    static constexpr WCHAR kCannotDisplayText[]
        = u"Cannot Display Contact.\n\nThis contact is not in the address book. To correct this, open your "
          u"Kestrin entry and reassign this contact to it.";

    // Runs the picker for the entry's Contacts field over `parent` with the
    // program's address book. Returns 1 when the field's contacts changed
    // (or a contact was added to the address book), 0 when not, -1 when the
    // address book could not be opened (the field is left as it was).
    static int Pick(QWidget* parent, DbJItem& contactsField);
    // The same with a given store.
    static int Pick(QWidget* parent, DbJItem& contactsField, PimStore& store);
    // Finds the stored contact in the address book (offering to add a missing
    // one) and shows its card, else the "Cannot Display Contact" message. The
    // stored copy takes the contact's id when it was found by name or added.
    static void ShowContact(QWidget* parent, DbAItem& contact, PimStore& store);
    // The same with the program's address book.
    static void ShowContact(QWidget* parent, DbAItem& contact);

    ContactPicker(DbJItem& contactsField, PimStore& store);
    ~ContactPicker() override;

    int Run(QWidget* parent);

    // The contacts the entry holds while the picker runs.
    const std::vector<DbAItem>& Chosen() const { return chosen_; }
    // A tap on letter tab `index`, and a letter typed into the list.
    void TapTab(int index);
    void TypeLetter(QChar letter);
    // The selected row, -1 when none.
    int CurrentRow() const;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class LetterKeys;
    bool LogOn();
    void ResolveChosen();
    void BuildItems();
    void GoToLetter(QChar letter);
    void SelectRow(int row);
    void ShowCard(int row);
    void LayOutTabs();

    DbJItem& field_;
    PimStore& store_;
    QWidget* owner_ = nullptr;
    std::vector<DbAItem> chosen_;
    int changed_ = 0;
    int cycle_ = 0;
    QTabBar* tabs_ = nullptr;
    // The dialog's items go with its window, before the picker.
    QPointer<QTableView> list_;
    ContactListModel* model_ = nullptr;
    std::unique_ptr<LetterKeys> letterKeys_;
};
