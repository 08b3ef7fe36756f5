#include "Settings.h"

#include <string>

ZString Settings::ReadText(LPCWSTR name, LPCWSTR defaultText) const
{
    ZString text;
    store_.ReadZString(kOptionsName, name, defaultText, text);
    return text;
}

void Settings::SetSkin(LPCWSTR name)
{
    ZString cut(name, name && std::char_traits<WCHAR>::length(name) > kMaxSkinChars ? kMaxSkinChars : -1);
    store_.WriteString(kOptionsName, kSkin, cut.IsEmpty() ? u"" : static_cast<LPCWSTR>(cut));
}

ZString Settings::DateFormatPattern() const
{
    ZString pattern;
    const int id = DateFormat();
    if (id >= kFirstDateFormat && id <= kLastDateFormat)
        pattern.LoadString(static_cast<UINT>(id));
    return pattern;
}

void Settings::SetSubject(int index, LPCWSTR text)
{
    store_.WriteString(kOptionsName, IndexedName(kSubjectPrefix, index), text);
}

void Settings::SetSearchHistory(int index, LPCWSTR text)
{
    store_.WriteString(kOptionsName, IndexedName(kSearchPrefix, index), text);
}

ZString Settings::IndexedName(LPCWSTR prefix, int index)
{
    ZString name(prefix);
    const std::string digits = std::to_string(index);
    for (char digit : digits)
        name.AppendChar(static_cast<WCHAR>(digit));
    return name;
}
