#include "pel/net/base/MediaType.h"

#include "pel/base/Ascii.h"
#include "pel/base/Assert.h"
#include "pel/net/http/MessageHeader.h"

namespace pel {
namespace net {

MediaType::MediaType(const std::wstring& mediaType) { parse(mediaType); }

MediaType::MediaType(const std::wstring& type, const std::wstring& subType) : m_type(type), m_subType(subType) {}

MediaType& MediaType::operator=(const std::wstring& mediaType) {
    parse(mediaType);
    return *this;
}

void MediaType::swap(MediaType& other) {
    m_type.swap(other.m_type);
    m_subType.swap(other.m_subType);
    m_parameters.swap(other.m_parameters);
}

void MediaType::parse(const std::wstring& mediaType) {
    m_type.clear();
    m_subType.clear();
    m_parameters.clear();
    auto it = mediaType.begin();
    const auto end = mediaType.end();
    while (it != end && Ascii::isSpace(*it))
        ++it;
    while (it != end && *it != '/')
        m_type += *it++;
    if (it != end)
        ++it;
    while (it != end && *it != ';' && !Ascii::isSpace(*it))
        m_subType += *it++;
    while (it != end && *it != ';')
        ++it;
    MessageHeader::splitParameters(it, end, m_parameters);
}

void MediaType::toString(std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    *o_text = m_type + L"/" + m_subType;
    for (const auto& parameter : m_parameters) {
        *o_text += L"; " + parameter.first + L"=";
        MessageHeader::quote(parameter.second, *o_text, false);
    }
}

bool MediaType::matches(const std::wstring& type, const std::wstring& subType) const {
    return icompare(m_type, type) == 0 && icompare(m_subType, subType) == 0;
}

bool MediaType::matches(const std::wstring& type) const { return icompare(m_type, type) == 0; }

bool MediaType::matchesRange(const std::wstring& type, const std::wstring& subType) const {
    if (m_type != L"*" && type != L"*" && icompare(m_type, type) != 0)
        return false;
    return m_subType == L"*" || subType == L"*" || icompare(m_subType, subType) == 0;
}

bool MediaType::matchesRange(const std::wstring& type) const {
    return m_type == L"*" || type == L"*" || matches(type);
}

} // namespace net
} // namespace pel
