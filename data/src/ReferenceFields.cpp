#include "ReferenceFields.h"

#include "PackedLists.h"

namespace {

template <typename Item>
void StoreField(
    DItemObject& field, const std::vector<Item>& items, void (PackedListWriter::*add)(const Item&))
{
    PackedListWriter writer;
    ZString text;
    for (const Item& item : items) {
        (writer.*add)(item);
        if (!text.IsEmpty())
            text.Append(u"; ");
        text.Append(item.GetName().Text() ? item.GetName().Text() : u"");
    }
    text.DoubleAmpersands();
    field.SetStrValue(text.Text() ? text.Text() : u"");
    if (items.empty())
        field.SetBlob(nullptr);
    else
        writer.StoreIn(field);
}

} // namespace

void StoreContactsField(DItemObject& field, const std::vector<DbAItem>& contacts)
{
    StoreField<DbAItem>(field, contacts, &PackedListWriter::AddContact);
}

void StoreCategoriesField(DItemObject& field, const std::vector<DbCItem>& categories)
{
    StoreField<DbCItem>(field, categories, &PackedListWriter::AddCategory);
}
