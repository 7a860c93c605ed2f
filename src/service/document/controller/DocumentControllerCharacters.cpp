// The DocumentController's characters: where what a reader sees as one character begins and
// ends in the document's text, the rule that caret stops, deletions and the counts of characters
// go by.

#include "service/document/controller/DocumentController.h"

#include "pel/text/CharacterBoundaries.h"
#include "pel/text/Utf16Characters.h"
#include "service/document/Document.h"

#include <algorithm>

namespace tessel {

pel::CharacterBoundaries& DocumentController::characters() const {
    if (!m_characters)
        m_characters.reset(new pel::CharacterBoundaries);
    // Read in place: the halves of the gap buffer, as they are since the last edit.
    const GapBuffer& buffer = m_document.getBuffer();
    const int32_t gap = buffer.gapStart();
    m_characters->setText(buffer.firstHalf(), gap, buffer.secondHalf(), buffer.length() - gap);
    return *m_characters;
}

bool DocumentController::isCharacterStart(int32_t offset) const {
    return characters().isBoundary(std::max(0, std::min(offset, m_document.getLength())));
}

int32_t DocumentController::nextCharacter(int32_t offset) const {
    return characters().following(std::max(0, std::min(offset, m_document.getLength())));
}

int32_t DocumentController::previousCharacter(int32_t offset) const {
    return characters().preceding(std::max(0, std::min(offset, m_document.getLength())));
}

int32_t DocumentController::characterStart(int32_t offset) const {
    offset = std::max(0, std::min(offset, m_document.getLength()));
    pel::CharacterBoundaries& boundaries = characters();
    return boundaries.isBoundary(offset) ? offset : boundaries.preceding(offset);
}

int32_t DocumentController::characterEnd(int32_t offset) const {
    offset = std::max(0, std::min(offset, m_document.getLength()));
    pel::CharacterBoundaries& boundaries = characters();
    return boundaries.isBoundary(offset) ? offset : boundaries.following(offset);
}

std::pair<int32_t, int32_t> DocumentController::wholeCharacters(int32_t a, int32_t b) const {
    return {characterStart(std::min(a, b)), characterEnd(std::max(a, b))};
}

int32_t DocumentController::codePointStart(int32_t offset) const {
    return pel::characterStart(m_document.getBuffer(), offset, m_document.getLength());
}

uint32_t DocumentController::codePointAt(int32_t offset) const {
    if (offset < 0 || offset >= m_document.getLength())
        return 0;
    return pel::codePointAt(m_document.getBuffer(), offset, m_document.getLength());
}

TextPosition DocumentController::codePointPosition(const TextPosition& position) const {
    if (position.line < 0 || position.line >= m_document.getLineCount() || position.lineOffset <= 0 ||
        position.lineOffset >= m_document.getLineLength(position.line))
        return position;
    const int32_t offset = m_document.getLineStart(position.line) + position.lineOffset;
    const int32_t start = codePointStart(offset);
    if (start == offset)
        return position;
    TextPosition moved = position;
    moved.lineOffset -= offset - start;
    return moved;
}

int32_t DocumentController::getCharacterColumn(const TextPosition& position) const {
    if (position.line < 0 || position.line >= m_document.getLineCount())
        return std::max(position.lineOffset, 0);
    const int32_t length = m_document.getLineLength(position.line);
    const int32_t start = m_document.getLineStart(position.line);
    const int32_t to = start + std::max(0, std::min(position.lineOffset, length));
    // Counts of characters begun in adjacent ranges add up: on the line of the last count, only
    // what lies between its end and this one is counted.
    pel::CharacterBoundaries& boundaries = characters();
    CharacterCount& last = m_characterCount;
    if (last.from != start)
        last = CharacterCount{start, start, 0};
    last.characters += to >= last.to ? boundaries.count(last.to, to) : -boundaries.count(to, last.to);
    last.to = to;
    return last.characters + std::max(position.lineOffset - length, 0);
}

void DocumentController::forgetCharacterCount(int32_t offset) {
    // Which characters begin before the edit depends on the text before it only.
    if (offset < m_characterCount.to)
        m_characterCount = CharacterCount();
}

} // namespace tessel
