#pragma once
// A problem of a bundle entry, as the bundle editor lists it: the message, the text it came from
// (an entry file's path), where it sits inside the checked value's own text (a scope selector,
// a pattern) and where it sits in the entry's text. Lines and columns count from 0.

#include "service/base/error/Error.h"

#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "pel/value/Value.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessel {

class BundleError : public Error {
public:
    // A key that will be ignored; an invalid or empty value; an entry that cannot be read or saved.
    static constexpr uint32_t SEVERITY_IGNORED = 2;
    static constexpr uint32_t SEVERITY_INVALID = 3;
    static constexpr uint32_t SEVERITY_UNREADABLE = 4;

    // Parse and validation problems, and files that could not be read.
    static constexpr uint32_t TAG_READ = pel::crc32Literal("read"); // 0x98574167
    static constexpr uint32_t TAG_LOAD = pel::crc32Literal("load"); // 0x2506E41D
    // Entries that could not be saved; a new save first removes the errors of the last one.
    static constexpr uint32_t TAG_SAVE = pel::crc32Literal("save"); // 0x55663ADE

    BundleError(uint32_t severity, const std::wstring& message);
    ~BundleError() override;

    // The message; " " and the source when one is set; " (Line L, Char C)" when positioned,
    // L the start line and C the end column, both counted from 1.
    std::wstring getMessage() const override;
    // A new BundleError with every field, the tags and the severity.
    std::shared_ptr<Error> clone() const override;

    // The message alone.
    const std::wstring& getText() const { return m_message; }

    void setSource(const std::wstring& source);
    bool hasSource() const { return m_hasSource; }
    const std::wstring& getSource() const { return m_source; }

    // Where the problem lies inside the checked value's own text.
    void setRange(const pel::TextPosition& start, const pel::TextPosition& end);
    bool hasRange() const { return m_hasRange; }
    const pel::TextPosition& getRangeStart() const { return m_rangeStart; }
    const pel::TextPosition& getRangeEnd() const { return m_rangeEnd; }

    // Positions the error at the start of the value as the parser found it, start and end
    // alike. A value made in code (or merged from several layers) has no place in any text
    // and leaves the error unpositioned.
    void setPosition(const pel::Value& value);
    void setPosition(const pel::TextPosition& start, const pel::TextPosition& end);
    // Unpositions the error: a check of a value merged from several layers found it, and the
    // value's places lie in different texts, none of them the text the user sees.
    void clearPosition() { m_hasPosition = false; }
    bool hasPosition() const { return m_hasPosition; }
    const pel::TextPosition& getStartPosition() const { return m_start; }
    const pel::TextPosition& getEndPosition() const { return m_end; }

private:
    std::wstring m_message;
    bool m_hasSource = false;
    std::wstring m_source;
    bool m_hasRange = false;
    pel::TextPosition m_rangeStart;
    pel::TextPosition m_rangeEnd;
    bool m_hasPosition = false;
    pel::TextPosition m_start;
    pel::TextPosition m_end;
};

// A new error with that severity and message, carrying the tag; the caller adds it to its list.
std::shared_ptr<BundleError> makeBundleError(uint32_t tag, uint32_t severity, const std::wstring& message);

} // namespace tessel
