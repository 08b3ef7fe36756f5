#include "JournalSort.h"

#include "JournalGroups.h"
#include "JournalProps.h"
#include "JournalTools.h"
#include "Settings.h"

namespace {

bool IsTextKey(CEPROPID property)
{
    return property == PROPID_SUBJECT || property == PROPID_COMPANY || property == PROPID_CATEGORIES
        || property == PROPID_CONTACTS;
}

} // namespace

bool JournalDescending(DbKestrin& journal)
{
    SORTORDERSPEC orders[CEDB_MAXSORTORDER] {};
    return journal.GetSortOrders(orders) > 0 && (orders[0].dwFlags & CEDB_SORT_DESCENDING) != 0;
}

bool SortJournalByField(DbKestrin& journal, ZRegistry& settings, WORD fieldId)
{
    SORTORDERSPEC specs[2] {};
    DWORD sortType = 0;
    const int count = SortOrdersForField(fieldId, JournalDescending(journal), specs, &sortType);
    journal.SortByProp(specs, static_cast<WORD>(count));
    Settings store(settings);
    if (sortType != 0)
        store.SetSortType(sortType);
    const bool tree = IsGroupingField(sortType);
    store.SetTreeView(tree);
    return tree;
}

void ReverseJournalOrder(DbKestrin& journal)
{
    SORTORDERSPEC orders[CEDB_MAXSORTORDER] {};
    const int count = journal.GetSortOrders(orders);
    if (count <= 0)
        return;
    if (IsTextKey(orders[0].propid))
        orders[0].dwFlags |= CEDB_SORT_CASEINSENSITIVE;
    orders[0].dwFlags ^= CEDB_SORT_DESCENDING;
    journal.SortByProp(orders, static_cast<WORD>(count));
}
