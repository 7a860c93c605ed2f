#pragma once
// What the buttons of the find and replace dialog ask of the search while the dialog is open,
// and what the search answers: the dialog runs each command through a runner and shows the
// answer in itself.

#include "service/document/search/SearchParameters.h"

#include <functional>
#include <string>

enum class SearchCommand { FIND_NEXT, REPLACE, REPLACE_ALL };

struct SearchOutcome {
    // What the search did or why it could not, for the user; empty when a match was simply found.
    std::wstring message;
    // The values themselves were refused (a pattern that does not compile): they must be mended
    // before any command can run, so the dialog stays open whatever the command.
    bool refused = false;
};

// Runs the command with the dialog's values.
using SearchRunner = std::function<SearchOutcome(SearchCommand command, const tessel::SearchParameters& values)>;
