#pragma once
// The library's one handle on a character encoding: an ICU converter, and for the Unicode forms
// the byte-order mark a file in that encoding starts with. Created only by create() and shared
// through std::shared_ptr; one object serves one text stream at a time (the converter keeps
// partial characters between calls).

#include <unicode/ucnv.h>

#include <cstddef>
#include <memory>
#include <string>

namespace pel {

class TextEncoding {
public:
    // status values at or below this are success (ICU warnings are negative).
    static constexpr int S_Success = 0;

    // name: an ICU converter name (matched without regard to case, '-' or '_').
    // An empty result for a null or empty name, or one ICU cannot open; never throws.
    static std::shared_ptr<TextEncoding> create(const wchar_t* name);

    virtual ~TextEncoding();
    TextEncoding(const TextEncoding&) = delete;
    TextEncoding& operator=(const TextEncoding&) = delete;

    // The byte-order mark of the encoding; null and length 0 when it has none.
    virtual const unsigned char* getPreamble(int* o_length) const;

    // True when status reports success; a buffer overflow is a failure too.
    bool succeeded() const { return status <= S_Success; }

    // Whole-buffer conversions: reset the converter, convert everything, flush, and append
    // to the output. Unmappable or ill-formed input becomes ICU's substitution character.
    // Return whether status reports success.
    bool encode(const wchar_t* text, size_t length, std::string& io_bytes);
    bool decode(const char* bytes, size_t length, std::wstring& io_text);

    UConverter* converter;
    UErrorCode status;

protected:
    explicit TextEncoding(UConverter* i_converter);
};

} // namespace pel
