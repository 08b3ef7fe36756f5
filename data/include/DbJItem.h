#pragma once
// DbJItem: one field of a journal entry — its typed value (DItemObject) plus
// its definition: label, default text, optional property id and flags
// (FIELD_SORTABLE, FIELD_EXPORT).
//
// A field also owns two lists of auxiliary items (for the Categories and
// Contacts fields, the editor keeps the entry's DbCItem / DbAItem objects
// there). The data layer never fills them; every item in them is destroyed
// through its virtual destructor with the field. Copies clone those items.
// Not thread-safe.

#include "DItemObject.h"
#include "TSList.h"

class DbJItem : public DItemObject {
public:
    // Item type 1, control type 0, property id 0, tab 0, empty label and
    // default, 16-bit value -1.
    DbJItem();
    // Item type 1. Numeric types start at their no-value marker: signed 16
    // and 32-bit -1, unsigned 16-bit 0xFFFF, unsigned 32-bit 0xFFFFFFFF,
    // double -1.0; other types start empty.
    DbJItem(int tab, CEPROPID propId, LPCWSTR label, int ctrlType, WORD flags, CEPROPID optPropId = 0,
        LPCWSTR defaultText = nullptr);
    DbJItem(const DbJItem& other);
    DbJItem& operator=(const DbJItem& other);
    ~DbJItem() override;

    std::unique_ptr<DItemObject> Clone() const override;

    const ZString& GetLabel() const { return m_label; }
    // Returns the stored label.
    const ZString& SetLabel(LPCWSTR label);
    const ZString& GetDefault() const { return m_default; }
    // A null or empty text stores "<No Password>" for a password field
    // (control type 9), otherwise "".
    void SetDefault(LPCWSTR text);
    CEPROPID GetOptPropID() const { return m_optPropId; }
    WORD GetFlags() const { return m_flags; }
    // Flags AND mask.
    WORD IsFlag(WORD mask) const { return static_cast<WORD>(m_flags & mask); }
    void SetFlag(WORD mask) { m_flags = static_cast<WORD>(m_flags | mask); }
    void DelFlag(WORD mask) { m_flags = static_cast<WORD>(m_flags & ~mask); }
    // The blob is not empty (meaningful on the Categories / Contacts field).
    bool HasCategories() const { return GetBlob()->dwCount != 0; }
    bool HasContacts() const { return GetBlob()->dwCount != 0; }

    // The auxiliary lists; items appended there become owned by the field.
    TSList<DItemObject>& GetItemList() { return m_items; }
    TSList<DItemObject>& GetExtraList() { return m_extra; }

    // Same property id and same control type.
    bool operator==(const DbJItem& other) const
    {
        return GetPropID() == other.GetPropID() && GetCtrlType() == other.GetCtrlType();
    }

private:
    static void DestroyItems(TSList<DItemObject>& list);
    static void CloneItems(const TSList<DItemObject>& from, TSList<DItemObject>& to);

    TSList<DItemObject> m_items;
    TSList<DItemObject> m_extra;
    ZString m_label;
    ZString m_default;
    CEPROPID m_optPropId = 0;
    WORD m_flags = 0;
};
