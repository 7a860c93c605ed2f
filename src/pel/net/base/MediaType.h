#pragma once
// A media type such as "text/html; charset=utf-8": type, subtype and parameters, parsed from
// and written to its header-field text.

#include "pel/net/http/NameValueCollection.h"

#include <string>

namespace pel {
namespace net {

class MediaType {
public:
    explicit MediaType(const std::wstring& mediaType);
    MediaType(const std::wstring& type, const std::wstring& subType);
    MediaType(const MediaType& other) = default;
    MediaType& operator=(const MediaType& other) = default;
    MediaType& operator=(const std::wstring& mediaType);
    void swap(MediaType& other);

    void setType(const std::wstring& type) { m_type = type; }
    const std::wstring& getType() const { return m_type; }
    void setSubType(const std::wstring& subType) { m_subType = subType; }
    const std::wstring& getSubType() const { return m_subType; }
    void setParameter(const std::wstring& name, const std::wstring& value) { m_parameters.set(name, value); }
    // NotFoundException when missing.
    const std::wstring& getParameter(const std::wstring& name) const { return m_parameters.get(name); }
    bool hasParameter(const std::wstring& name) const { return m_parameters.has(name); }
    void removeParameter(const std::wstring& name) { m_parameters.erase(name); }
    const NameValueCollection& getParameters() const { return m_parameters; }

    // Sets o_text to "type/subtype" and "; name=value" per parameter, values quoted as needed.
    void toString(std::wstring* o_text) const;

    // Type and subtype equal without regard to ASCII case.
    bool matches(const MediaType& other) const { return matches(other.m_type, other.m_subType); }
    bool matches(const std::wstring& type, const std::wstring& subType) const;
    bool matches(const std::wstring& type) const;
    // As matches, with "*" matching any type or subtype on either side.
    bool matchesRange(const MediaType& other) const { return matchesRange(other.m_type, other.m_subType); }
    bool matchesRange(const std::wstring& type, const std::wstring& subType) const;
    bool matchesRange(const std::wstring& type) const;

private:
    void parse(const std::wstring& mediaType);

    std::wstring m_type;
    std::wstring m_subType;
    NameValueCollection m_parameters;
};

} // namespace net
} // namespace pel
