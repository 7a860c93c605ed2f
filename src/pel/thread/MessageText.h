#pragma once
// Fills the "{1}" placeholders of the thread and synchronisation messages with an object's name.
// Stands in for the library's message templates until those exist.

#include <string>

namespace pel {

std::wstring fillMessageName(const wchar_t* pattern, const std::wstring& name);

} // namespace pel
