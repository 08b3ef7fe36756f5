#pragma once
// ZString: the owned UTF-16 string of the whole system (entry texts, file
// names, registry strings, captions, messages).
//
// A ZString owns one zero-terminated buffer of WCHAR taken zero-filled from
// the local heap, or no buffer at all ("unset"). An unset string and a set
// string of length 0 are both empty. Lengths and positions are signed 32-bit
// numbers in which -1 means "none": Length() of an empty string is -1.
// Nothing throws; allocation failures leave the string as documented below.
//
// Byte conversions use the system code page, which is UTF-8 here. Bytes that
// are not valid UTF-8 (files from older devices) are read as Windows-1252.
//
// A ZString is a value: copying copies the text. It is not thread-safe; one
// thread uses one object at a time.

#include "WinTypes.h"

#include <cstddef>
#include <string>
#include <string_view>

class QString;

class ZString {
public:
    ZString() = default;
    // Assign(text, count).
    ZString(LPCWSTR text, int count = -1);
    ZString(const ZString& other);
    ZString(ZString&& other) noexcept;
    virtual ~ZString();

    ZString& operator=(const ZString& other);
    ZString& operator=(ZString&& other) noexcept;
    ZString& operator=(LPCWSTR text);

    // Frees the buffer; the string becomes unset.
    void Empty();
    // Frees the old buffer and copies `text`. A null text leaves the string
    // unset and returns `count` unchanged. A count of -1 or -2 takes the whole
    // text; any other count takes exactly that many characters (the caller
    // guarantees they exist) and puts a terminating zero after them. Returns
    // the new length, or -1 when allocation failed (the string is then unset).
    int Assign(LPCWSTR text, int count);
    int Assign(LPCWSTR text);
    // Copies the other's text; an unset other gives an unset string.
    int Assign(const ZString& other);

    // The buffer (null when unset). It stays owned by the string and is valid
    // until the next change of the string.
    LPWSTR Text() const { return m_text; }
    operator LPCWSTR() const { return m_text; }

    // 1 when unset or of length 0, else 0.
    int IsEmpty() const;
    // Characters before the terminating zero; -1 when empty (unset or "").
    int Length() const;
    // 1 when both the string and `text` are non-null and equal ignoring case
    // (whole-Unicode case folding), else 0. An unset string equals nothing,
    // not even "".
    int EqualsNoCase(LPCWSTR text) const;
    bool operator==(const ZString& other) const { return EqualsNoCase(other.m_text) != 0; }
    bool operator!=(const ZString& other) const { return !(*this == other); }
    bool operator==(LPCWSTR text) const { return EqualsNoCase(text) != 0; }
    bool operator!=(LPCWSTR text) const { return !(*this == text); }

    // Pointer into the buffer at the first occurrence of `text` (case
    // sensitive); null when absent, when `text` is null or the string unset.
    LPWSTR Find(LPCWSTR text) const;
    // Pointer to the first occurrence of `ch`; null when absent or empty.
    LPWSTR FindChar(WCHAR ch) const;
    // Index of the first `ch` at or after `start`; -1 when absent or empty
    // (or when `start` is outside the text).
    int FindCharFrom(WCHAR ch, int start) const;
    // Index just after the last `ch` found at position 1 or later, so the
    // text that follows it starts there ("\Windows\Notes.txt" with '\' gives
    // 9); 0 when there is none; -1 when the string is empty.
    int ReverseFindChar(WCHAR ch) const;

    // Appends `text` (null does nothing; an unset string is assigned it).
    // Returns the buffer; on allocation failure the string is unchanged.
    LPWSTR Append(LPCWSTR text);
    // Appends one character; a zero character does nothing. An unset string
    // becomes a one-character string. Unchanged on allocation failure.
    void AppendChar(WCHAR ch);
    // Removes `count` characters from `position` and returns the number of
    // characters left (0 when none; -1 for an unset string). A range reaching past the end is cut at
    // the end; a negative position or count removes nothing. Unchanged when
    // the temporary buffer cannot be allocated.
    int Delete(int position, int count);
    // Removes trailing occurrences of `ch` (the buffer keeps its size, the
    // removed characters become zeros).
    void TrimRight(WCHAR ch = u' ');
    // Removes leading occurrences of `ch`.
    void TrimLeft(WCHAR ch = u' ');
    // Lower-/upper-cases every character in place (simple Unicode mappings;
    // the length never changes).
    void MakeLower();
    void MakeUpper();
    // Lower-cases everything, then raises the first character and every
    // character after a space, ' , - or ` when it is one of a..z (only the 26
    // unaccented letters are raised). "o'neil-smith john" -> "O'Neil-Smith John".
    void MakeTitle();
    // Replaces every `from` with `to`, in place.
    void ReplaceChar(WCHAR from, WCHAR to);
    // Doubles every '&' so the text shows literally in a caption or menu.
    void DoubleAmpersands();
    // Removes every single '&' and turns every "&&" into "&".
    void RemoveMnemonics();

    // Assigns the program's string `id` (see StringTable.h); `module` is
    // ignored (all strings live in this program). Texts longer than 510
    // characters are cut there. Returns the length, or -1 when the id does not
    // exist or its text is empty (the string is then unset).
    int LoadString(const void* module, UINT id);
    int LoadString(UINT id) { return LoadString(nullptr, id); }
    // Assigns the English text of the calling thread's last error (see
    // LastError.h) and returns its length; an unknown code gives "" and -1.
    int LastErrorText();
    // The English text of one error code; "" for an unknown code.
    static LPCWSTR ErrorText(DWORD error);

    // Converts the text to the system code page (UTF-8) and keeps the bytes,
    // zero-terminated, in place of the wide text (read them with AnsiText()).
    // Returns the byte count including the terminating zero, or 0 on failure
    // (unset string, no memory; the string is then unchanged). Until
    // FromAnsi() or a new assignment only AnsiText(), FromAnsi(), Empty() and
    // Assign()/operator= may be used.
    int ToAnsi();
    // The bytes held after ToAnsi(); null when the string holds wide text.
    const char* AnsiText() const;
    // Converts the bytes held after ToAnsi() back to wide text. Returns the
    // character count including the terminating zero, or 0 on failure (the
    // string holds no bytes from ToAnsi(), or no memory; unchanged).
    int FromAnsi();

    // Assigns text decoded from `count` bytes in the system code page:
    // UTF-8; when the bytes are not valid UTF-8, every byte is read as
    // Windows-1252. An incomplete sequence cut off at the very end of bytes
    // that hold complete multi-byte sequences before it (a UTF-8 text cut to a
    // byte limit) is dropped instead. Returns the new length as Assign() does.
    int AssignAnsi(const char* bytes, std::size_t count);
    int AssignAnsi(std::string_view bytes) { return AssignAnsi(bytes.data(), bytes.size()); }
    // The text of `text` (count as in Assign: -1 = up to the zero) in the
    // system code page, without terminator. Lone surrogates become U+FFFD.
    static std::string AnsiBytes(LPCWSTR text, int count = -1);

    // Convenience conversions for the layers above. An unset string gives an
    // empty result; an empty source gives an unset string.
    std::string ToUtf8() const { return AnsiBytes(m_text); }
    std::u16string ToU16() const;
    QString ToQString() const;
    static ZString FromUtf8(std::string_view bytes);
    static ZString FromU16(std::u16string_view text);
    static ZString FromQString(const QString& text);

private:
    // True when `pointer` points into our buffer (terminator included).
    bool Contains(LPCWSTR pointer) const;
    // Takes ownership of a local-heap buffer.
    void Adopt(LPWSTR buffer);

    LPWSTR m_text = nullptr;
    // The buffer holds code-page bytes from ToAnsi() rather than WCHARs.
    bool m_holdsAnsi = false;
};
