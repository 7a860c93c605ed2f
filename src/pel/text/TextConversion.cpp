#include "pel/text/TextConversion.h"

#include "pel/base/Assert.h"
#include "pel/text/TextEncoding.h"

namespace pel {

void toAscii(const std::wstring& text, std::string& out) {
    out.reserve(out.size() + text.size());
    for (wchar_t c : text)
        out += static_cast<char>(c & 0x7F);
}

void appendNarrow(const char* text, std::wstring& out) {
    if (!text)
        return;
    for (; *text; ++text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
}

void toUtf8(const wchar_t* text, size_t length, std::string& out) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(L"utf-8");
    PEL_CHECK_PTR(encoding);
    if (!encoding->encode(text, length, out))
        assertionViolation(L"status == TextEncoding::S_Success", PEL_FILE, __LINE__);
}

void fromUtf8(const char* bytes, size_t length, std::wstring& out) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(L"utf-8");
    PEL_CHECK_PTR(encoding);
    if (!encoding->decode(bytes, length, out))
        assertionViolation(L"status == TextEncoding::S_Success", PEL_FILE, __LINE__);
}

} // namespace pel
