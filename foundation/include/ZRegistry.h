#pragma once
// ZRegistry: the settings store. It holds one open registry key (the profile
// key, e.g. "Software\\Quorvalent\\Kestrin" under HKEY_CURRENT_USER) and reads,
// writes, deletes and finds values in that key and in its sub-keys, called
// sections. A section is named by a wide string: empty (or null) means the
// profile key itself, any other name the sub-key of that name below it.
// Section and value names are matched ignoring case.
//
// Values are 32-bit integers (REG_DWORD, 4 bytes) and texts (REG_SZ with the
// terminating zero). Reads never report anything: whatever goes wrong (no
// section, no value, wrong type or size, text too long) they give the
// caller's default. Writes and the opening and closing of keys report a
// failure at once in a message box captioned "Error" with the system's text
// for the error (through the UI hooks) and carry on; nothing is retried.
//
// Ownership: the object owns its profile key (closed by Close or the
// destructor) and its copy of the key path. Section keys are opened and
// closed inside each call, never cached. Not thread-safe: one thread uses one
// object (the program's settings live on its user-interface thread).

#include "Registry.h"
#include "ZString.h"

class ZRegistry {
public:
    // The longest text ReadString delivers, in characters, and the capacity
    // its destination must have (with the terminating zero).
    static constexpr int kMaxTextChars = 155;
    static constexpr int kTextBufferChars = kMaxTextChars + 1;

    // No key, no path.
    ZRegistry() = default;
    // Close(), then frees the stored path.
    virtual ~ZRegistry();
    ZRegistry(const ZRegistry&) = delete;
    ZRegistry& operator=(const ZRegistry&) = delete;

    // Keeps a copy of `path`, then creates or opens it under
    // HKEY_CURRENT_USER as the profile key (a key opened before is closed
    // first). Returns the platform error code, 0 on success; a failure is
    // shown in the "Error" box.
    LONG Open(LPCWSTR path);
    // As Open, under `root` (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER).
    // Returns 1 on success, 0 on failure (shown).
    int OpenUnder(HKEY root, LPCWSTR path);
    // Closes the profile key: 1 on success or when no key is open, 0 when the
    // platform refused (shown).
    int Close();

    // The path given to the last Open/OpenUnder; null before the first.
    LPCWSTR GetPath() const { return m_path.Text(); }
    // Whether the profile key is open; when the last open failed, the
    // platform's error code of that failure (0 otherwise).
    bool IsOpen() const { return m_key != nullptr; }
    LONG OpenError() const { return m_openError; }

    // The value `name` of `section` when it is a REG_DWORD of exactly 4
    // bytes; otherwise `defaultValue`. Never creates a section.
    int ReadInt(LPCWSTR section, LPCWSTR name, int defaultValue);
    // Copies the text `name` of `section` into `destination`, which must hold
    // kTextBufferChars characters. A missing section or value, a value that is
    // not REG_SZ or that holds more than kMaxTextChars characters gives the
    // default text instead (null: empty; cut to kMaxTextChars). A stored text
    // without its terminating zero is taken up to its end; the destination
    // always ends with a zero.
    void ReadString(LPCWSTR section, LPCWSTR name, LPCWSTR defaultText, LPWSTR destination);
    // ReadString into a local buffer, assigned to `destination`. Returns the
    // new length as ZString::Assign does.
    int ReadZString(LPCWSTR section, LPCWSTR name, LPCWSTR defaultText, ZString& destination);

    // Writes a REG_DWORD, creating the section when needed. Always returns 1;
    // a failure is shown.
    int WriteInt(LPCWSTR section, LPCWSTR name, int value);
    // Writes a REG_SZ with its terminating zero (null text: empty), creating
    // the section when needed. 1 on success, 0 on failure (shown).
    int WriteString(LPCWSTR section, LPCWSTR name, LPCWSTR text);

    // Deletes the value `name` of a named section. With the empty section
    // name (the profile key) it does nothing and returns 0; a missing section
    // or value returns 0. Nothing is shown.
    int DeleteValue(LPCWSTR section, LPCWSTR name);
    // Deletes the sub-key `section` below the profile key with all it holds.
    // 1 on success; 0 when it does not exist or the name is empty. Nothing is shown.
    int DeleteSection(LPCWSTR section);
    // 1 when `section` holds a value `name` (any type), else 0; a null name gives 0.
    int ValueExists(LPCWSTR section, LPCWSTR name);

    // Searches the indexed list `prefix`0, `prefix`1, ... (at most `count`
    // items) for an item equal to `text` (case-sensitive, locale-aware).
    // Returns its 1-based position, or 0 when not found, when an empty or
    // missing item ends the list first, or when count <= 0.
    int FindListString(LPCWSTR section, LPCWSTR prefix, LPCWSTR text, int count);

protected:
    // As Open, without showing a failure: for a caller that reports it in
    // its own words (see OpenError).
    LONG OpenWithoutReport(LPCWSTR path);
    // Opens an existing section for reading or deleting; null when it does
    // not exist (silently) or cannot be opened (shown). The caller closes it.
    HKEY OpenSection(LPCWSTR section);
    // Creates or opens a section for writing; null on failure (shown). The
    // caller closes it.
    HKEY CreateSection(LPCWSTR section);
    // Shows the system's text for `error` in the "Error" box (OK button,
    // information icon, no owner).
    static void ShowSystemError(LONG error);

private:
    class SectionKey;

    // Open and OpenUnder: the platform's error code.
    LONG OpenProfileKey(HKEY root, LPCWSTR path, bool report = true);

    HKEY m_key = nullptr;
    LONG m_openError = 0;
    ZString m_path;
};
