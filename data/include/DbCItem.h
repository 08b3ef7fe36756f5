#pragma once
// DbCItem: one category — its record OID in the shared categories database
// and its name. A stored item (item type 1) whose property id is normally the
// categories database's name property, so a category record read through
// DbCats hands the name to it. Two items are equal (==, Compare) when their
// names are equal ignoring case. A value; not thread-safe.

#include "DItemObject.h"
#include "JournalProps.h"

class DbCItem : public DItemObject {
public:
    explicit DbCItem(CEPROPID propId = PROPID_CATNAME);
    DbCItem(CEOID oid, LPCWSTR name, CEPROPID propId = PROPID_CATNAME);
    DbCItem(const DbCItem& other) = default;
    DbCItem& operator=(const DbCItem& other) = default;
    ~DbCItem() override = default;

    std::unique_ptr<DItemObject> Clone() const override;

    CEOID GetOid() const { return m_oid; }
    void SetOid(CEOID oid) { m_oid = oid; }
    const ZString& GetName() const { return m_name; }
    void SetName(LPCWSTR name) { m_name.Assign(name); }

    // Names equal ignoring case.
    bool operator==(const DbCItem& other) const { return Compare(other); }
    bool Compare(const DbCItem& other) const { return m_name == other.m_name; }

private:
    CEOID m_oid = 0;
    ZString m_name;
};
