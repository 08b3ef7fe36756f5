#pragma once
// Names of keys and values as the store compares them: the spelling the
// caller gave, and its case-folded form (Unicode case folding), which is what
// the store matches and keeps unique.

#include "WinTypes.h"

#include <string>
#include <vector>

struct RegName {
    std::u16string spelled;
    std::u16string folded;
};

// A key path split at its backslashes, first step first; empty for the key
// itself.
using RegKeyPath = std::vector<RegName>;

RegName MakeRegName(std::u16string_view spelled);

// Splits a sub-key path. A null or empty path gives no steps. Returns
// ERROR_INVALID_PARAMETER for an empty step ("a\\\\b", a leading or trailing
// backslash) or a step longer than kMaxKeyNameChars.
LONG ParseKeyPath(LPCWSTR path, RegKeyPath& steps);

// A value name; null means the unnamed value (""). Returns
// ERROR_INVALID_PARAMETER for a name longer than kMaxValueNameChars.
LONG ParseValueName(LPCWSTR name, RegName& parsed);
