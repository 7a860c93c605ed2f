#pragma once
// The shell's file dialogs and text input, each through one replaceable hook: the program shows
// the common dialogs and the one-line input dialog, tests answer in their place. Its questions
// go the framework's way (afQuestion.h).

#include "components/SearchCommands.h"

#include "afw/dialog/afQuestion.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class afViewPlatform;

namespace tessel {

// (save, io_path: the proposed path in, the chosen one out, o_readOnly: the open dialog's
// read-only box as confirmed) -> whether the user confirmed.
using FileDialogHook = std::function<bool(bool save, std::wstring& io_path, bool& o_readOnly)>;
// (label, io_text: the proposed text in, the entered one out) -> whether the user confirmed.
using TextHook = std::function<bool(const std::wstring& label, std::wstring& io_text)>;
// (replace, io_values: the values shown in, the chosen ones out, run: what the dialog's command
// buttons call) -> whether the dialog closed confirmed (RESULT_OK).
using SearchHook = std::function<bool(bool replace, SearchParameters& io_values, const SearchRunner& run)>;

// Each installs a hook (empty: the real window) and returns the previous one.
FileDialogHook setFileDialogHook(FileDialogHook hook);
TextHook setTextHook(TextHook hook);
SearchHook setSearchHook(SearchHook hook);

// The open dialog (save false) or the save dialog with its overwrite prompt, "All Files". The
// open dialog's "Open as read-only" box goes to o_readOnly when one is given.
bool askFilePath(afViewPlatform* owner, bool save, std::wstring& io_path, bool* o_readOnly = nullptr);
// A line of text in the one-line input dialog, titled and labelled.
bool askText(afViewPlatform* owner, const std::wstring& title, const std::wstring& label, std::wstring& io_text);

// The find (or, with replace, the replace) dialog over the values, offering the scopes (id,
// title), its commands run by `run` while it is open; the values come back also when the user
// cancels.
bool askSearch(afViewPlatform* owner, bool replace, const std::vector<std::pair<uint32_t, std::wstring>>& scopes,
               SearchParameters& io_values, const SearchRunner& run);

} // namespace tessel
