#pragma once
// The words of the shell's messages (the application's and the main window's): a template's
// {1} and {2} filled in, and what a file error says.

#include "service/document/DocumentManager.h"

#include <string>

namespace tessel {

std::wstring shellText(const wchar_t* format, const std::wstring& first, const std::wstring& second = L"");
// The error's own message; empty without an error.
std::wstring fileErrorText(const DocumentManager::FileError& error);

} // namespace tessel
