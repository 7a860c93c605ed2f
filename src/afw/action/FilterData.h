#pragma once
// The row source of the suggestion windows (the action chooser, the snippet list): a set of rows
// of text columns with a title, a weight and an enabled flag. A window shows several sets, ordered
// by weight or by their first row's text.

#include <cstddef>
#include <cstdint>
#include <string>

class FilterData {
public:
    using Row = const void*;

    virtual ~FilterData() = default;

    // The set's icon; -1 for none.
    virtual int getIcon() const { return -1; }
    virtual size_t getRowCount() const = 0;
    virtual size_t getColumnCount() const = 0;
    // Iteration over the rows: the first (restarting), then each next; null past the last.
    virtual Row first() = 0;
    virtual Row next() = 0;
    // The text of a column of a row and its length; a column out of range is empty.
    virtual const wchar_t* getColumnText(Row row, size_t column, size_t* o_length) const = 0;

    // The set's own texts: its title ("Snippets") and a second line.
    const std::wstring& getTitle() const { return m_title; }
    void setTitle(const std::wstring& title) { m_title = title; }
    const std::wstring& getSecondText() const { return m_secondText; }
    void setSecondText(const std::wstring& text) { m_secondText = text; }
    uint32_t getWeight() const { return m_weight; }
    bool isEnabled() const { return m_enabled; }
    void setWeight(uint32_t weight, bool enabled) {
        m_weight = weight;
        m_enabled = enabled;
    }
    // -1, 0 or 1: by weight, or with byText by the first row's column 0, ordinal.
    int compare(FilterData& other, bool byText);

private:
    std::wstring m_title, m_secondText;
    uint32_t m_weight = 0;
    bool m_enabled = true;
};
