#include "KeyNames.h"

#include "Registry.h"

#include <QString>

RegName MakeRegName(std::u16string_view spelled)
{
    const QString text = QString::fromUtf16(spelled.data(), static_cast<qsizetype>(spelled.size()));
    return RegName { std::u16string(spelled), text.toCaseFolded().toStdU16String() };
}

LONG ParseKeyPath(LPCWSTR path, RegKeyPath& steps)
{
    steps.clear();
    if (!path || !*path)
        return ERROR_SUCCESS;
    const std::u16string_view whole(path);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = whole.find(u'\\', start);
        const std::u16string_view step
            = whole.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
        if (step.empty() || step.size() > kMaxKeyNameChars) {
            steps.clear();
            return ERROR_INVALID_PARAMETER;
        }
        steps.push_back(MakeRegName(step));
        if (end == std::u16string_view::npos)
            return ERROR_SUCCESS;
        start = end + 1;
    }
}

LONG ParseValueName(LPCWSTR name, RegName& parsed)
{
    const std::u16string_view spelled = name ? std::u16string_view(name) : std::u16string_view();
    if (spelled.size() > kMaxValueNameChars)
        return ERROR_INVALID_PARAMETER;
    parsed = MakeRegName(spelled);
    return ERROR_SUCCESS;
}
