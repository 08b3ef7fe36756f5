#pragma once
// DItemObject: one typed property value — the base of an entry field
// (DbJItem), a contact reference (DbAItem) and a category (DbCItem).
//
// The value lives in the property's value bytes (16/32-bit integers, double,
// file time, or a blob {length, buffer}); a text value lives in the ZString.
// A blob buffer held by the object comes from the local heap and is owned by
// the object: it is freed on destruction, on SetBlob and before any other
// typed setter overwrites the value bytes. Copies copy the blob's bytes too,
// so two objects never share (and never both free) one buffer.
//
// Getters read the value bytes as the asked type without looking at the
// property type. Not thread-safe; one thread uses one object at a time.

#include "CeDbTypes.h"
#include "JournalProps.h"
#include "WinTypes.h"
#include "ZString.h"

#include <memory>

class DItemObject {
public:
    // itemType: 1 = a stored property (writers write it), 0 = transient.
    DItemObject(int itemType, int ctrlType);
    DItemObject(const DItemObject& other);
    DItemObject& operator=(const DItemObject& other);
    virtual ~DItemObject();

    // A copy of the whole object, of its most derived type.
    virtual std::unique_ptr<DItemObject> Clone() const;

    // The text value; null when the text is unset.
    virtual LPCWSTR GetStrValue() const;
    // Copies the text and returns its new length (-1 for an empty text).
    virtual int SetStrValue(LPCWSTR text);
    virtual SHORT GetShort() const;
    virtual void SetShort(SHORT value);
    virtual USHORT GetUShort() const;
    virtual void SetUShort(USHORT value);
    virtual LONG GetLong() const;
    virtual void SetLong(LONG value);
    virtual ULONG GetULong() const;
    virtual void SetULong(ULONG value);
    virtual FILETIME GetFileTime() const;
    virtual void SetFileTime(const FILETIME& value);
    virtual BOOL GetBool() const;
    virtual void SetBool(BOOL value);
    virtual double GetDouble() const;
    virtual void SetDouble(double value);
    // The {length, buffer} pair inside the object; the buffer stays owned by
    // the object (length 0 and null buffer when empty).
    virtual const CEBLOB* GetBlob() const;
    // Frees the held buffer, then copies `blob` (null or length 0 leaves the
    // item empty and does not mark it changed). An allocation failure leaves
    // the item empty.
    virtual void SetBlob(const CEBLOB* blob);

    CEPROPID GetPropID() const { return m_prop.propid; }
    // Sets the whole 32-bit id; returns the previous one.
    CEPROPID SetPropID(CEPROPID id);
    WORD GetID() const { return static_cast<WORD>(m_prop.propid >> 16); }
    WORD GetPropType() const { return static_cast<WORD>(m_prop.propid & 0xFFFF); }
    // Sets the low 16 bits of the id; returns the previous type.
    WORD SetPropType(WORD type);
    int GetItemType() const { return m_itemType; }
    int GetCtrlType() const { return m_ctrlType; }
    void SetCtrlType(int ctrlType) { m_ctrlType = ctrlType; }
    int GetLoc() const { return m_loc; }
    void SetLoc(int loc) { m_loc = loc; }
    int GetTab() const { return m_tab; }
    // Returns the previous tab.
    int SetTab(int tab);
    // 1 after any typed setter ran.
    int IsChanged() const { return m_changed; }

    // Fills `out` for a record write: the item's id, length and flags 0, the
    // value by type. A text is passed as the object's own buffer (an empty
    // text first becomes "" so the pointer is never null); a blob passes the
    // object's own buffer, no copy. `out` is valid while this object is
    // unchanged. Types this model does not know leave the value bytes as
    // they were.
    void GetProp(CEPROPVAL* out);
    // Takes a value read from a record. Returns 0 and changes nothing when
    // its id is not the item's id; otherwise stores it by type and returns 1
    // (also for types it does not store). A value flagged "not found" is not
    // stored. A blob of length 0 stores nothing. Does not mark the item
    // changed.
    int SetProp(const CEPROPVAL& value);

protected:
    void MarkChanged() { m_changed = 1; }
    // Direct access to the value bytes for derived constructors that set a
    // no-value marker without marking the item changed.
    CEVALUNION& Value() { return m_prop.val; }

private:
    void ReleaseBlob();
    void CopyBlobFrom(const CEBLOB& blob);

    int m_itemType;
    int m_ctrlType;
    int m_changed = 0;
    int m_loc = -1;
    int m_tab = 0;
    CEPROPVAL m_prop = EmptyProp();
    ZString m_text;
    // The value bytes hold a blob buffer that this object allocated.
    bool m_ownsBlob = false;
};
