#include "pel/text/TextFormatConvertor.h"

#include "pel/base/Assert.h"
#include "pel/text/LineEnding.h"

namespace pel {

void TextFormatConvertor::convert(const wchar_t* text, size_t length, std::wstring* o_text,
                                  const Indentation& indentation) {
    PEL_CHECK_PTR(o_text);
    o_text->reserve(length);
    size_t position = 0;
    while (position < length) {
        position += Indentation::convertLine(o_text, text + position, length - position, indentation);
        position += LineEnding::appendLineBreaks(text + position, length - position, *o_text);
    }
}

} // namespace pel
