#include "ZRegistry.h"

#include "UiHooks.h"

#include <QString>

#include <algorithm>
#include <optional>
#include <string>

namespace {

bool IsProfileKey(LPCWSTR section)
{
    return !section || !*section;
}

std::u16string_view TextOrEmpty(LPCWSTR text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

// Copies `text` into a destination of kTextBufferChars, cut to kMaxTextChars.
void CopyCut(std::u16string_view text, LPWSTR destination)
{
    const std::size_t chars = std::min<std::size_t>(text.size(), ZRegistry::kMaxTextChars);
    std::copy_n(text.data(), chars, destination);
    destination[chars] = 0;
}

// The text of a value read into `buffer` (`bytes` long, of type `type`), or
// nothing when it is no text or too long. A value that lacks its terminating
// zero is taken up to its end; an odd last byte is no character.
std::optional<std::u16string_view> StoredText(DWORD type, const WCHAR* buffer, DWORD bytes)
{
    if (type != REG_SZ)
        return std::nullopt;
    const std::u16string_view stored(buffer, bytes / sizeof(WCHAR));
    const std::u16string_view text = stored.substr(0, stored.find(u'\0'));
    if (text.size() > ZRegistry::kMaxTextChars)
        return std::nullopt;
    return text;
}

} // namespace

// A section key for the length of one operation: the profile key itself for
// the empty name (not closed), else a sub-key opened or created for the
// operation and closed at its end.
class ZRegistry::SectionKey {
public:
    enum class Use { Read, Write };
    SectionKey(ZRegistry& owner, LPCWSTR section, Use use)
        : key_(IsProfileKey(section) ? owner.m_key
                : use == Use::Read   ? owner.OpenSection(section)
                                     : owner.CreateSection(section))
        , owned_(!IsProfileKey(section))
    {
    }
    ~SectionKey()
    {
        if (owned_ && key_)
            RegCloseKey(key_);
    }
    SectionKey(const SectionKey&) = delete;
    SectionKey& operator=(const SectionKey&) = delete;

    HKEY Get() const { return key_; }

private:
    HKEY key_;
    bool owned_;
};

ZRegistry::~ZRegistry()
{
    Close();
}

LONG ZRegistry::OpenProfileKey(HKEY root, LPCWSTR path, bool report)
{
    // A second Open replaces the profile key instead of losing the first.
    Close();
    m_path.Assign(path);
    const LONG error = RegCreateKeyExW(
        root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    m_openError = error;
    if (error != ERROR_SUCCESS) {
        m_key = nullptr;
        if (report)
            ShowSystemError(error);
    }
    return error;
}

LONG ZRegistry::OpenWithoutReport(LPCWSTR path)
{
    return OpenProfileKey(HKEY_CURRENT_USER, path, false);
}

LONG ZRegistry::Open(LPCWSTR path)
{
    return OpenProfileKey(HKEY_CURRENT_USER, path);
}

int ZRegistry::OpenUnder(HKEY root, LPCWSTR path)
{
    return OpenProfileKey(root, path) == ERROR_SUCCESS;
}

int ZRegistry::Close()
{
    // Nothing open is nothing to report: a store that failed to open must not
    // show a second box when it is destroyed.
    if (!m_key)
        return 1;
    const LONG error = RegCloseKey(m_key);
    m_key = nullptr;
    if (error != ERROR_SUCCESS)
        ShowSystemError(error);
    return error == ERROR_SUCCESS;
}

int ZRegistry::ReadInt(LPCWSTR section, LPCWSTR name, int defaultValue)
{
    SectionKey key(*this, section, SectionKey::Use::Read);
    if (!key.Get())
        return defaultValue;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD bytes = sizeof value;
    const LONG error
        = RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    // A number is a REG_DWORD of four bytes; a short text of four bytes is not.
    if (error != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof value)
        return defaultValue;
    return static_cast<int>(value);
}

void ZRegistry::ReadString(LPCWSTR section, LPCWSTR name, LPCWSTR defaultText, LPWSTR destination)
{
    WCHAR buffer[kTextBufferChars];
    DWORD type = REG_NONE;
    DWORD bytes = sizeof buffer;
    std::optional<std::u16string_view> text;
    SectionKey key(*this, section, SectionKey::Use::Read);
    if (key.Get()
        && RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes)
            == ERROR_SUCCESS)
        text = StoredText(type, buffer, bytes);
    CopyCut(text.value_or(TextOrEmpty(defaultText)), destination);
}

int ZRegistry::ReadZString(LPCWSTR section, LPCWSTR name, LPCWSTR defaultText, ZString& destination)
{
    WCHAR text[kTextBufferChars];
    ReadString(section, name, defaultText, text);
    return destination.Assign(text);
}

int ZRegistry::WriteInt(LPCWSTR section, LPCWSTR name, int value)
{
    SectionKey key(*this, section, SectionKey::Use::Write);
    const DWORD stored = static_cast<DWORD>(value);
    const LONG error = RegSetValueExW(
        key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored), sizeof stored);
    if (error != ERROR_SUCCESS)
        ShowSystemError(error);
    return 1;
}

int ZRegistry::WriteString(LPCWSTR section, LPCWSTR name, LPCWSTR text)
{
    SectionKey key(*this, section, SectionKey::Use::Write);
    const std::u16string_view stored = TextOrEmpty(text);
    const LONG error
        = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.data()),
            static_cast<DWORD>((stored.size() + 1) * sizeof(WCHAR)));
    if (error != ERROR_SUCCESS)
        ShowSystemError(error);
    return error == ERROR_SUCCESS;
}

int ZRegistry::DeleteValue(LPCWSTR section, LPCWSTR name)
{
    if (IsProfileKey(section))
        return 0;
    SectionKey key(*this, section, SectionKey::Use::Read);
    return key.Get() && RegDeleteValueW(key.Get(), name) == ERROR_SUCCESS;
}

int ZRegistry::DeleteSection(LPCWSTR section)
{
    return !IsProfileKey(section) && m_key && RegDeleteKeyW(m_key, section) == ERROR_SUCCESS;
}

int ZRegistry::ValueExists(LPCWSTR section, LPCWSTR name)
{
    if (!name)
        return 0;
    SectionKey key(*this, section, SectionKey::Use::Read);
    DWORD bytes = 0;
    return key.Get() && RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS;
}

int ZRegistry::FindListString(LPCWSTR section, LPCWSTR prefix, LPCWSTR text, int count)
{
    const QString wanted = QString::fromUtf16(TextOrEmpty(text).data(), TextOrEmpty(text).size());
    for (int i = 0; i < count; ++i) {
        const std::u16string name
            = std::u16string(TextOrEmpty(prefix)) + ZString::FromUtf8(std::to_string(i)).ToU16();
        WCHAR item[kTextBufferChars];
        ReadString(section, name.c_str(), u"", item);
        // An empty or missing item ends the list.
        if (!item[0])
            return 0;
        if (QString::localeAwareCompare(wanted, QString::fromUtf16(item)) == 0)
            return i + 1;
    }
    return 0;
}

HKEY ZRegistry::OpenSection(LPCWSTR section)
{
    HKEY key = nullptr;
    const LONG error = RegOpenKeyExW(m_key, section, 0, KEY_ALL_ACCESS, &key);
    if (error == ERROR_SUCCESS)
        return key;
    // A section that is not there, or a profile key that is not open or was
    // deleted meanwhile, is simply no section: reads give their defaults.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_INVALID_HANDLE && error != ERROR_KEY_DELETED)
        ShowSystemError(error);
    return nullptr;
}

HKEY ZRegistry::CreateSection(LPCWSTR section)
{
    HKEY key = nullptr;
    const LONG error = RegCreateKeyExW(
        m_key, section, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (error == ERROR_SUCCESS)
        return key;
    ShowSystemError(error);
    return nullptr;
}

void ZRegistry::ShowSystemError(LONG error)
{
    ZString text(ZString::ErrorText(static_cast<DWORD>(error)));
    // A code without a text of its own still tells the user what failed.
    if (text.IsEmpty())
        text = ZString::FromUtf8("Error " + std::to_string(static_cast<DWORD>(error)) + ".");
    MessageBoxW(nullptr, text, u"Error", MB_OK | MB_ICONINFORMATION);
}
