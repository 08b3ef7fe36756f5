#pragma once
// SelectionList: the entries the user has selected, in the order of
// selection, with the focused entry (the one the preview, the editor and the
// commands act on) and the field the entry editor is to open at. One list
// exists for the program's run (see ProgramObjects.h). The cursor is shared
// by all users, as a walk over the list is always finished before another
// begins. Membership is kept in a hash set beside the ordered list, so
// selecting every line of a large journal stays linear. Not thread-safe: UI
// thread only.

#include "CeDbTypes.h"

#include <unordered_set>
#include <vector>

class SelectionList {
public:
    // Appends `oid` unless it is 0 or already selected; 1 when appended.
    BOOL Add(CEOID oid);
    // Removes `oid`; 1 when it was selected.
    BOOL Remove(CEOID oid);
    BOOL Contains(CEOID oid) const;
    // Empties the list (the focused entry and edit field stay).
    void Clear();
    int Count() const { return static_cast<int>(ids_.size()); }

    // Walking: First() starts over, Next() moves on; 0 at the end.
    CEOID First();
    CEOID Next();

    CEOID Focused() const { return focused_; }
    void SetFocused(CEOID oid) { focused_ = oid; }
    DWORD EditField() const { return editField_; }
    void SetEditField(DWORD field) { editField_ = field; }

private:
    std::vector<CEOID> ids_;
    std::unordered_set<CEOID> members_;
    std::size_t cursor_ = 0;
    CEOID focused_ = 0;
    DWORD editField_ = 0;
};
