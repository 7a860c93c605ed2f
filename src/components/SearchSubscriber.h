#pragma once
// What a search target (an editor) offers the search manager: running a search action on its
// document, the text a new search starts with, and taking the focus.

#include <cstdint>
#include <string>

namespace tessel {
struct SearchActionRecord;
}

class SearchSubscriber {
public:
    virtual ~SearchSubscriber() = default;

    // Runs the action (a name hash: "find", "replace", ...) on the target's document; false when
    // the target has none or refuses the action.
    virtual bool ssOnAction(const tessel::SearchActionRecord& record, uint32_t action, bool backwards) = 0;
    // The text a search in the scope starts with: 0 without a document, 1 otherwise (with or
    // without text offered).
    virtual int getSearchText(uint32_t scope, std::wstring& o_text) = 0;
    virtual void focus() = 0;
};
