#pragma once
// Conversions between UTF-16 text and the system code page (UTF-8), with the
// Windows-1252 reading of byte strings that are not UTF-8 (files and beamed
// texts from older devices). Pure functions; thread-safe.

#include <string>
#include <string_view>

// UTF-8 of `text`; a lone surrogate becomes U+FFFD.
std::string EncodeSystemCodePage(std::u16string_view text);

// The text of `bytes`: UTF-8 when they are valid UTF-8, where an incomplete
// sequence cut off at the very end (a length-limited copy) is dropped;
// otherwise every byte read as Windows-1252.
std::u16string DecodeSystemCodePage(std::string_view bytes);

// Every byte of `bytes` read as Windows-1252 (for text that names that code
// page or ISO-8859-1, whose printable characters it shares).
std::u16string DecodeWindows1252(std::string_view bytes);
