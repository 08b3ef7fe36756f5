#pragma once
// ContactCard: a contact of the address book shown as a card: the names, the
// company and title, phone numbers, e-mail addresses, postal addresses and
// the note, as read from the contact's vCard. "Open in Address Book" opens
// the card's file with the desktop's default handler for it, where the user
// may change it. The contact is copied; UI thread only.

#include "PimContact.h"
#include "ZDialog.h"

#include <QUrl>

#include <functional>

class ContactCard : public ZDialog {
public:
    // What opens a file with the desktop's handler (tests replace it; an
    // empty function puts the desktop's back).
    using FileOpener = std::function<bool(const QUrl& file)>;
    static void SetFileOpener(FileOpener opener);

    explicit ContactCard(const PimContact& contact);

    // Shows the card over `owner` until it is closed.
    void Run(QWidget* owner);

protected:
    BOOL OnInitDialog() override;

private:
    void OpenInAddressBook();

    PimContact contact_;
    QWidget* owner_ = nullptr;
};
