#pragma once
// DbAItem: one contact referenced by an entry — the contact's OID in the
// contact store, its name (the key of the contact in the relation index) and
// a second text (the contact's company). A transient item (item type 0):
// property-set writers skip it. Two items are equal when their contact OIDs
// are equal. A value; not thread-safe.

#include "DItemObject.h"

class DbAItem : public DItemObject {
public:
    DbAItem();
    DbAItem(CEOID oid, LPCWSTR name, LPCWSTR secondText = nullptr);
    DbAItem(const DbAItem& other) = default;
    DbAItem& operator=(const DbAItem& other) = default;
    ~DbAItem() override = default;

    std::unique_ptr<DItemObject> Clone() const override;

    CEOID GetOid() const { return m_oid; }
    void SetOid(CEOID oid) { m_oid = oid; }
    const ZString& GetName() const { return m_name; }
    void SetName(LPCWSTR name) { m_name.Assign(name); }
    const ZString& GetSecondText() const { return m_second; }
    void SetSecondText(LPCWSTR text) { m_second.Assign(text); }

    bool operator==(const DbAItem& other) const { return m_oid == other.m_oid; }

private:
    ZString m_name;
    ZString m_second;
    CEOID m_oid = 0;
};
