#pragma once
// UTF-16 to UTF-8 for the headless output. The UI hooks sit below the string
// class, so they carry this one small conversion of their own.

#include <string>
#include <string_view>

// Unpaired surrogates become U+FFFD; nothing is dropped silently.
std::string Utf16ToUtf8(std::u16string_view text);
