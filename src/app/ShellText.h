#pragma once
// The words of the shell's messages (the application's and the main window's): a template's
// {1} and {2} filled in, and what a failed open or save of a document says.

#include "pel/files/FileFailure.h"
#include "service/base/Config.h"
#include "service/document/DocumentManager.h"

#include <string>
#include <vector>

namespace tessel {

std::wstring shellText(const wchar_t* format, const std::wstring& first, const std::wstring& second = L"");
// "Cannot open `path`: ..." or "Cannot save `path`: ...", in the user's words
// (pel::describeFileFailure).
std::wstring fileFailureText(pel::FileAction action, const std::wstring& path, const DocumentManager::FileError& error);
// Each settings file that could not be saved, named by its path on disk, in the user's words: a
// line each.
std::wstring settingsFailureText(const std::vector<Config::SaveFailure>& failures);

} // namespace tessel
