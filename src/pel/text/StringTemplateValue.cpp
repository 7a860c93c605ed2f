#include "pel/text/StringTemplate.h"

#include "pel/base/Assert.h"
#include "pel/text/NumberText.h"
#include "pel/text/TextConversion.h"

namespace pel {

StringTemplateValue::StringTemplateValue(int value) : m_kind(SIGNED), m_signed(value) {}

StringTemplateValue::StringTemplateValue(unsigned int value) : m_kind(UNSIGNED), m_unsigned(value) {}

StringTemplateValue::StringTemplateValue(long value) : m_kind(SIGNED), m_signed(static_cast<int32_t>(value)) {}

StringTemplateValue::StringTemplateValue(unsigned long value)
    : m_kind(UNSIGNED), m_unsigned(static_cast<uint32_t>(value)) {}

StringTemplateValue::StringTemplateValue(const wchar_t* text) : m_kind(WIDE_REFERENCE), m_wide_reference(text) {}

StringTemplateValue::StringTemplateValue(const char* text) : m_kind(NARROW_REFERENCE), m_narrow_reference(text) {}

StringTemplateValue::StringTemplateValue(const std::wstring& text) : m_kind(WIDE_COPY), m_signed(0), m_wide(text) {}

StringTemplateValue::StringTemplateValue(const std::string& text) : m_kind(NARROW_COPY), m_signed(0), m_narrow(text) {}

StringTemplateValue::StringTemplateValue(const StringTemplateValue& other) : m_kind(SIGNED), m_signed(0) {
    *this = other;
}

StringTemplateValue& StringTemplateValue::operator=(const StringTemplateValue& other) {
    if (this == &other)
        return *this;
    m_wide.clear();
    m_narrow.clear();
    m_signed = 0;
    switch (other.m_kind) {
    case SIGNED:
    case UNSIGNED:
        m_kind = other.m_kind;
        m_unsigned = other.m_unsigned;
        break;
    // A copy never refers to the caller's string: it may outlive it.
    case WIDE_REFERENCE:
        m_kind = WIDE_COPY;
        if (other.m_wide_reference)
            m_wide = other.m_wide_reference;
        break;
    case NARROW_REFERENCE:
        m_kind = NARROW_COPY;
        if (other.m_narrow_reference)
            m_narrow = other.m_narrow_reference;
        break;
    case WIDE_COPY:
    case NARROW_COPY:
        m_kind = other.m_kind;
        m_wide = other.m_wide;
        m_narrow = other.m_narrow;
        break;
    default:
        PEL_NOT_REACHED();
    }
    return *this;
}

void StringTemplateValue::appendTo(std::wstring& out) const {
    switch (m_kind) {
    case SIGNED:
        formatInteger32(out, m_signed, 10);
        break;
    case UNSIGNED:
        formatUnsigned(out, m_unsigned, 10, 0);
        break;
    case WIDE_REFERENCE:
        if (m_wide_reference)
            out += m_wide_reference;
        break;
    case NARROW_REFERENCE:
        appendNarrow(m_narrow_reference, out);
        break;
    case WIDE_COPY:
        out += m_wide;
        break;
    case NARROW_COPY:
        appendNarrow(m_narrow.c_str(), out);
        break;
    default:
        PEL_NOT_REACHED();
    }
}

} // namespace pel
