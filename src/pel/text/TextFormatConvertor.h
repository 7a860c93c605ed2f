#pragma once
// Rewrites text entering a document: every line break becomes LF and every line's leading
// blanks follow the document's indentation.

#include "pel/text/Indentation.h"

namespace pel {

class TextFormatConvertor {
public:
    static void convert(const wchar_t* text, size_t length, std::wstring* o_text, const Indentation& indentation);
};

} // namespace pel
