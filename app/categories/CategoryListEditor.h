#pragma once
// CategoryListEditor: the add/delete list over the shared categories
// database: the list shows every visible category (with its record OID as
// item data); Add creates the typed category (or un-hides a hidden one of
// that name) with the journal's use counter; Delete, after "Delete?",
// removes the selected category, or hides it while any program still counts
// it. Names are up to 200 characters and kept whole.
//
// It opens its own connection to the categories database for each change.
// Made by the category picker (and the options dialog through it); UI thread
// only.

#include "ZCAddDeleteList.h"

#include <functional>

class CategoryListEditor : public ZCAddDeleteList {
public:
    static constexpr int kMaxNameChars = 200;
    static constexpr WCHAR kDeleteQuestion[] = u"Delete?";

    // Fills the list from the categories database; 1 when it could be read.
    BOOL LoadList();
    // Called after Add or Delete changed the database.
    void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAdd(WORD code) override;
    void OnDelete(WORD code) override;

private:
    std::function<void()> onChanged_;
};
