#include "pel/thread/MessageText.h"

namespace pel {

std::wstring fillMessageName(const wchar_t* pattern, const std::wstring& name) {
    static const std::wstring placeholder = L"{1}";
    std::wstring text(pattern);
    for (size_t at = text.find(placeholder); at != std::wstring::npos; at = text.find(placeholder, at + name.size()))
        text.replace(at, placeholder.size(), name);
    return text;
}

} // namespace pel
