#pragma once
// How the store compares texts when it searches: the record's text contains
// the searched text; unless the search is case-sensitive both are taken
// upper-cased code point by code point first (a mapping that would change the
// number of UTF-16 units is not applied, as the text class does it). Used by
// the scan and by the full-text index, so both answer alike. Plain functions.

#include <string>
#include <string_view>

namespace objectstore {

void MakeUpper(std::u16string& text);

// The searched text as it is compared (upper-cased unless case-sensitive).
std::u16string Needle(std::u16string_view text, bool caseSensitive);

// Does `candidate` contain `needle` (prepared by Needle)? An empty candidate
// never matches. `scratch` is reused between calls.
bool TextMatches(
    std::u16string_view candidate, const std::u16string& needle, bool caseSensitive, std::u16string& scratch);

} // namespace objectstore
