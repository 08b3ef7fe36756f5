#include "SelectionList.h"

#include <algorithm>

BOOL SelectionList::Add(CEOID oid)
{
    if (oid == 0 || Contains(oid))
        return FALSE;
    ids_.push_back(oid);
    return TRUE;
}

BOOL SelectionList::Remove(CEOID oid)
{
    const auto found = std::find(ids_.begin(), ids_.end(), oid);
    if (found == ids_.end())
        return FALSE;
    // Keep a walk in progress on the entry that followed the removed one.
    const auto index = static_cast<std::size_t>(found - ids_.begin());
    if (index < cursor_)
        --cursor_;
    ids_.erase(found);
    return TRUE;
}

BOOL SelectionList::Contains(CEOID oid) const
{
    return std::find(ids_.begin(), ids_.end(), oid) != ids_.end();
}

void SelectionList::Clear()
{
    ids_.clear();
    cursor_ = 0;
}

CEOID SelectionList::First()
{
    cursor_ = 0;
    return Next();
}

CEOID SelectionList::Next()
{
    return cursor_ < ids_.size() ? ids_[cursor_++] : 0;
}
