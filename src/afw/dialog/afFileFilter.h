#pragma once
// What a caller of the open and save dialogs fills in: named filters of file patterns, and the
// options record of one run with its results.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct afFileFilter {
    uint32_t key = 0;                  // identifies the filter to the caller
    std::wstring title;                // shown to the user
    std::vector<std::wstring> patterns; // extensions without "*.", or "*" for all files
};

// The filters of a dialog, in the order shown; owned.
class afFileFilters {
public:
    afFileFilters() = default;
    virtual ~afFileFilters() = default;

    afFileFilter* add(uint32_t key, const std::wstring& title, std::vector<std::wstring> patterns) {
        m_filters.emplace_back(new afFileFilter{key, title, std::move(patterns)});
        return m_filters.back().get();
    }
    size_t size() const { return m_filters.size(); }
    bool empty() const { return m_filters.empty(); }
    afFileFilter* at(size_t index) const { return index < m_filters.size() ? m_filters[index].get() : nullptr; }

private:
    std::vector<std::unique_ptr<afFileFilter>> m_filters;
};

struct afFileDialogOptions {
    std::wstring title;
    // The initial name or path; a single-selection run leaves it and puts the path in results.
    std::wstring fileName;
    afFileFilters filters;
    // The key of the filter to preselect; 0 derives it from fileName's extension.
    uint32_t selectedKey = 0;
    std::vector<std::wstring> results;
    // The filter in force when the user confirmed.
    afFileFilter* chosenFilter = nullptr;
    bool mustExist = true;
    bool showHidden = true;
    bool overwritePrompt = false;
    bool allowReadOnly = true;
    bool multiSelect = false;
    // The open dialog's read-only box: checked when the dialog opens, and after a confirmed run
    // whether the user left it checked.
    bool readOnly = false;
};
