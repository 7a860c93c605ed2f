#include "afw/graphics/afPng.h"

#include "afw/core/afLog.h"
#include "pel/text/FormatString.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr size_t kSignatureLength = 8;
constexpr size_t kMessageLength = 160;

// Why a decode gave up.
enum class Refusal { NONE, UNSUPPORTED, TRUNCATED, LIBPNG, NO_BITMAP };

uint32_t bigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

std::wstring widen(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

void logRefusal(const std::wstring& why) {
    pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"decodePng: %s", why.c_str());
}

// Premultiplies a row of blue, green, red, alpha: c = c x a / 255.
void premultiply(uint8_t* pixel, int width) {
    for (const uint8_t* end = pixel + 4 * width; pixel != end; pixel += 4) {
        const unsigned alpha = pixel[3];
        if (alpha == 255)
            continue;
        pixel[0] = static_cast<uint8_t>(pixel[0] * alpha / 255);
        pixel[1] = static_cast<uint8_t>(pixel[1] * alpha / 255);
        pixel[2] = static_cast<uint8_t>(pixel[2] * alpha / 255);
    }
}

// The decoding of one image. libpng reports an error by a long jump back into read(), so the
// frames it jumps over hold nothing with a destructor: what has to outlive a jump lives here, in
// plain buffers, and the destructor frees the structures and the bitmap however the read ended.
class PngReader {
public:
    PngReader(const uint8_t* bytes, size_t length) : m_bytes(bytes), m_length(length) {}
    ~PngReader() {
        if (m_png)
            png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, m_end ? &m_end : nullptr);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool create() {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &PngReader::onError, &PngReader::onWarning);
        if (!m_png)
            return false;
        m_info = png_create_info_struct(m_png);
        m_end = png_create_info_struct(m_png);
        if (!m_info || !m_end)
            return false;
        png_set_read_fn(m_png, this, &PngReader::onRead);
        png_set_user_limits(m_png, afBitmap::MAX_SIDE, afBitmap::MAX_SIDE);
        return true;
    }

    bool read() {
        if (setjmp(png_jmpbuf(m_png))) {
            m_refusal = m_truncated ? Refusal::TRUNCATED : Refusal::LIBPNG;
            return false;
        }
        return readImage();
    }

    std::unique_ptr<afBitmap> take() { return std::move(m_bitmap); }

    void logWhy() const {
        switch (m_refusal) {
        case Refusal::UNSUPPORTED:
            logRefusal(m_unsupported);
            break;
        case Refusal::TRUNCATED:
            logRefusal(L"the data end before the image does (truncated).");
            break;
        case Refusal::NO_BITMAP:
            logRefusal(pel::formatString(L"no bitmap of %u x %u pixels could be made.", m_width, m_height));
            break;
        default:
            // The last warning says what the error sums up (an image over the size limit, say).
            logRefusal(L"libpng: " + widen(m_error) + (m_warning[0] ? L" (" + widen(m_warning) + L")." : L"."));
            break;
        }
    }

private:
    static void keep(char* o_buffer, png_const_charp message) {
        std::strncpy(o_buffer, message ? message : "", kMessageLength - 1);
        o_buffer[kMessageLength - 1] = 0;
    }
    static void onError(png_structp png, png_const_charp message) {
        keep(static_cast<PngReader*>(png_get_error_ptr(png))->m_error, message);
        png_longjmp(png, 1);
    }
    static void onWarning(png_structp png, png_const_charp message) {
        keep(static_cast<PngReader*>(png_get_error_ptr(png))->m_warning, message);
    }
    // Copies what remains of the input; asking for more is an error, not a short read.
    static void onRead(png_structp png, png_bytep out, png_size_t count) {
        PngReader* reader = static_cast<PngReader*>(png_get_io_ptr(png));
        if (count > reader->m_length - reader->m_position) {
            reader->m_truncated = true;
            png_error(png, "read past the end of the data");
        }
        std::memcpy(out, reader->m_bytes + reader->m_position, count);
        reader->m_position += count;
    }

    bool refuse(Refusal refusal) {
        m_refusal = refusal;
        return false;
    }

    bool readImage() {
        png_read_info(m_png, m_info);
        m_width = png_get_image_width(m_png, m_info);
        m_height = png_get_image_height(m_png, m_info);
        const int type = png_get_color_type(m_png, m_info);
        const int depth = png_get_bit_depth(m_png, m_info);
        if (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGB_ALPHA) {
            m_unsupported = L"colour type " + std::to_wstring(type) + L" is not supported (RGB or RGBA only).";
            return refuse(Refusal::UNSUPPORTED);
        }
        // 16-bit pixels would overrun the bitmap's rows.
        if (depth != 8) {
            m_unsupported = L"bit depth " + std::to_wstring(depth) + L" is not supported (8 only).";
            return refuse(Refusal::UNSUPPORTED);
        }
        if (png_get_interlace_type(m_png, m_info) != PNG_INTERLACE_NONE) {
            m_unsupported = L"interlaced images are not supported.";
            return refuse(Refusal::UNSUPPORTED);
        }
        png_set_bgr(m_png);
        const bool alpha = type == PNG_COLOR_TYPE_RGB_ALPHA;
        if (!alpha)
            png_set_filler(m_png, 0xFF, PNG_FILLER_AFTER);
        // The limits set on the read structure keep both sides within a bitmap's.
        m_bitmap = afBitmap::createDIB(static_cast<int>(m_width), static_cast<int>(m_height));
        if (!m_bitmap)
            return refuse(Refusal::NO_BITMAP);
        const int width = static_cast<int>(m_width);
        for (int y = 0; y < static_cast<int>(m_height); ++y) {
            uint8_t* row = reinterpret_cast<uint8_t*>(m_bitmap->row(y));
            png_read_row(m_png, row, nullptr);
            if (alpha)
                premultiply(row, width);
        }
        // Reads on to the end chunk: data cut after the image's last row are truncated too.
        png_read_end(m_png, m_end);
        m_bitmap->setFormat(alpha ? afBitmap::FORMAT_ALPHA : afBitmap::FORMAT_RGB);
        return true;
    }

    const uint8_t* m_bytes;
    size_t m_length;
    size_t m_position = 0;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    png_infop m_end = nullptr;
    std::unique_ptr<afBitmap> m_bitmap;
    Refusal m_refusal = Refusal::NONE;
    bool m_truncated = false;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    std::wstring m_unsupported;
    char m_error[kMessageLength] = {};
    char m_warning[kMessageLength] = {};
};

// The size the header gives, checked before libpng allocates anything for the image.
bool headerTooLarge(const uint8_t* bytes, size_t length, uint32_t* o_width, uint32_t* o_height) {
    if (length < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return false;
    *o_width = bigEndian(bytes + 16);
    *o_height = bigEndian(bytes + 20);
    return *o_width > afBitmap::MAX_SIDE || *o_height > afBitmap::MAX_SIDE;
}

} // namespace

std::unique_ptr<afBitmap> decodePng(const void* bytes, size_t length) {
    const uint8_t* data = static_cast<const uint8_t*>(bytes);
    if (!data || length < kSignatureLength ||
        png_sig_cmp(const_cast<png_bytep>(data), 0, kSignatureLength) != 0) {
        logRefusal(L"not a PNG image.");
        return nullptr;
    }
    uint32_t width = 0, height = 0;
    if (headerTooLarge(data, length, &width, &height)) {
        logRefusal(pel::formatString(L"the image of %u x %u pixels is too large (at most %d a side).", width,
                                     height, afBitmap::MAX_SIDE));
        return nullptr;
    }
    PngReader reader(data, length);
    if (!reader.create()) {
        logRefusal(L"libpng could not make its read structures.");
        return nullptr;
    }
    if (!reader.read()) {
        reader.logWhy();
        return nullptr;
    }
    return reader.take();
}
