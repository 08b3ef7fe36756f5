#include "SelectionList.h"

#include <algorithm>

BOOL SelectionList::Add(CEOID oid)
{
    if (oid == 0 || !members_.insert(oid).second)
        return FALSE;
    ids_.push_back(oid);
    return TRUE;
}

BOOL SelectionList::Remove(CEOID oid)
{
    if (members_.erase(oid) == 0)
        return FALSE;
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
    return members_.contains(oid);
}

void SelectionList::Clear()
{
    ids_.clear();
    members_.clear();
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
