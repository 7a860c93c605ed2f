#pragma once
// Walks a document display line by display line: a line wrapped into sublines is several
// display lines, an unwrapped one is one. The iterator is a plain value {builder, line,
// subline}; the builder (the line cache) knows how many sublines each line has.

#include <cstdint>

namespace tessel {

class SubLineIterator;

class SubLineIteratorBuilderInterface {
public:
    virtual SubLineIterator makeIterator(int32_t line, int32_t subline) = 0;
    virtual SubLineIterator begin() = 0;
    // One past the last subline of the last line.
    virtual SubLineIterator end() = 0;
    virtual int32_t getLineCount() const = 0;
    // For a line outside the document, the default as a number (false 0, true 1).
    virtual int32_t getSubLineCount(int32_t line, bool defaultValue) = 0;
    virtual bool isUnwrapped() const = 0;
    // The signed number of display lines from a to b.
    virtual int32_t getDistance(const SubLineIterator& a, const SubLineIterator& b) = 0;

protected:
    ~SubLineIteratorBuilderInterface() = default;
};

class SubLineIterator {
public:
    enum State { BEFORE_BEGIN = 0, PAST_END = 1, VALID = 2 };

    SubLineIterator() = default;
    SubLineIterator(SubLineIteratorBuilderInterface* builder, int32_t line, int32_t subline)
        : builder(builder), line(line), subline(subline) {}

    // The subline within [0, sublines of the line - 1].
    int32_t clampedSubline() const;
    SubLineIterator& advance(int32_t n);
    SubLineIterator& retreat(int32_t n);
    SubLineIterator& next() { return advance(1); }
    State state() const;
    // Moves an iterator before the beginning to {0, 0} and one past the end to the end; true
    // when it moved.
    bool normalize();

    bool operator==(const SubLineIterator& other) const {
        return line == other.line && clampedSubline() == other.clampedSubline();
    }
    bool operator!=(const SubLineIterator& other) const { return !(*this == other); }
    bool operator<(const SubLineIterator& other) const {
        return line < other.line || (line == other.line && clampedSubline() < other.clampedSubline());
    }
    bool operator<=(const SubLineIterator& other) const { return !(other < *this); }
    bool operator>(const SubLineIterator& other) const { return other < *this; }
    bool operator>=(const SubLineIterator& other) const { return !(*this < other); }

    SubLineIteratorBuilderInterface* builder = nullptr;
    int32_t line = 0;
    int32_t subline = 0;

private:
    // Sublines of a line for stepping: lines past the end, and unmeasured ones, count as one.
    int32_t countOf(int32_t at) const;
};

} // namespace tessel
