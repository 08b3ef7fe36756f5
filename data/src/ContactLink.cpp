#include "ContactLink.h"

#include <QStringView>

namespace {

std::u16string_view View(const ZString& text)
{
    return text.Text() ? std::u16string_view(text.Text()) : std::u16string_view();
}

bool SameNoCase(std::u16string_view a, std::u16string_view b)
{
    return QStringView(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QStringView(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive)
        == 0;
}

std::u16string_view WithoutLeadingSpaces(std::u16string_view text)
{
    while (!text.empty() && text.front() == u' ')
        text.remove_prefix(1);
    return text;
}

} // namespace

ContactName SplitContactName(std::u16string_view fileAs)
{
    if (const std::size_t comma = fileAs.find(u','); comma != std::u16string_view::npos)
        return { std::u16string(WithoutLeadingSpaces(fileAs.substr(comma + 1))),
            std::u16string(fileAs.substr(0, comma)) };
    if (const std::size_t space = fileAs.find(u' ', 1); space != std::u16string_view::npos)
        return { std::u16string(fileAs.substr(0, space)),
            std::u16string(WithoutLeadingSpaces(fileAs.substr(space + 1))) };
    return { std::u16string(fileAs), std::u16string(fileAs) };
}

const PimContact* FindStoredContact(PimStore& store, DbAItem& item, bool* relinked, bool trimTrailingSpaces)
{
    std::u16string_view name = View(item.GetName());
    if (trimTrailingSpaces) {
        while (!name.empty() && name.back() == u' ')
            name.remove_suffix(1);
    }
    if (const PimContact* byId = store.ContactFromOid(item.GetOid()); byId && SameNoCase(byId->fileAs, name))
        return byId;
    const std::u16string_view company = View(item.GetSecondText());
    for (int position = store.FindContact(name); position != 0;
         position = store.FindContact(name, position)) {
        const PimContact* candidate = store.ContactAt(position);
        if (candidate && SameNoCase(candidate->company, company)) {
            item.SetOid(candidate->oid);
            if (relinked)
                *relinked = true;
            return candidate;
        }
    }
    return nullptr;
}

const PimContact* AddStoredContact(PimStore& store, DbAItem& item, std::string& error)
{
    const std::u16string fileAs(View(item.GetName()));
    const ContactName split = SplitContactName(fileAs);
    const DWORD oid = store.AddContact(
        { fileAs, split.first, split.last, std::u16string(View(item.GetSecondText())) }, error);
    if (oid == 0)
        return nullptr;
    item.SetOid(oid);
    return store.ContactFromOid(oid);
}

DbAItem StoredContactOf(const PimContact& contact)
{
    return DbAItem(contact.oid, contact.fileAs.c_str(), contact.company.c_str());
}
