#include "pel/stream/String16StreamBuf.h"

#include "pel/base/Assert.h"

namespace pel {

String16StreamBuf::String16StreamBuf(const wchar_t* text, size_t length) {
    if (length > 0)
        PEL_CHECK_PTR(text);
    // The get area only ever hands the bytes out; it never writes to them.
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(text));
    setg(begin, begin, begin + length * sizeof(wchar_t));
}

String16StreamBuf::pos_type String16StreamBuf::seekoff(off_type offset, std::ios_base::seekdir direction,
                                                       std::ios_base::openmode which) {
    if ((which & std::ios_base::out) || !(which & std::ios_base::in))
        return pos_type(off_type(-1));
    const off_type base = direction == std::ios_base::beg ? 0 : direction == std::ios_base::cur ? gptr() - eback()
                                                                                                  : egptr() - eback();
    const off_type target = base + offset;
    if (target < 0 || target > egptr() - eback())
        return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
}

String16StreamBuf::pos_type String16StreamBuf::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

} // namespace pel
