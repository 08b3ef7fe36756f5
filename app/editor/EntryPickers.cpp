#include "EntryPickers.h"

int EntryPickers::PickCategories(DbJItem&, QWidget*)
{
    return 0;
}

int EntryPickers::PickContacts(DbJItem&, QWidget*)
{
    return 0;
}
