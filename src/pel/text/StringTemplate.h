#pragma once
// Message templates with numbered placeholders: "{1}.{2}.{3}" filled with the parts of a version
// number, " at `{1}:{2}` - `{3}:{4}`" with text positions. A placeholder without a value renders
// as nothing; "{{", a "{" not followed by digits and "}", and a lone "{" at the end stay literal.
// Not thread-safe: a template caches its result.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pel {

class IStringTemplateValue {
public:
    virtual void appendTo(std::wstring& out) const = 0;
    virtual ~IStringTemplateValue() = default;
};

// One argument of a template: a kind and its payload. Kinds 4 and 5 refer to the caller's
// string; a copy of such a value (as every template keeps) owns its text as kind 6 or 7, so a
// template may outlive the strings it was given.
class StringTemplateValue : public IStringTemplateValue {
public:
    enum Kind : int32_t {
        SIGNED = 0,
        UNSIGNED = 1,
        WIDE_REFERENCE = 4,
        NARROW_REFERENCE = 5,
        WIDE_COPY = 6,
        NARROW_COPY = 7,
    };

    StringTemplateValue(int value);
    StringTemplateValue(unsigned int value);
    // long is 32 bits on Windows; these keep DWORD and LONG arguments unambiguous.
    StringTemplateValue(long value);
    StringTemplateValue(unsigned long value);
    StringTemplateValue(const wchar_t* text);
    StringTemplateValue(const char* text);
    StringTemplateValue(const std::wstring& text);
    StringTemplateValue(const std::string& text);
    StringTemplateValue(const StringTemplateValue& other);
    StringTemplateValue& operator=(const StringTemplateValue& other);

    Kind kind() const { return m_kind; }
    // Integers in decimal; 8-bit text one byte per UTF-16 unit, read as Latin-1.
    void appendTo(std::wstring& out) const override;

private:
    Kind m_kind;
    union {
        int32_t m_signed;
        uint32_t m_unsigned;
        const wchar_t* m_wide_reference;
        const char* m_narrow_reference;
    };
    std::wstring m_wide;
    std::string m_narrow;
};

class StringTemplateNode {
public:
    using Parameters = std::map<unsigned int, StringTemplateValue>;

    virtual ~StringTemplateNode() = default;
    virtual void appendTo(const Parameters& parameters, std::wstring& out) const = 0;
};

class StringTemplateTextNode : public StringTemplateNode {
public:
    explicit StringTemplateTextNode(const std::wstring& text) : m_text(text) {}
    void appendTo(const Parameters& parameters, std::wstring& out) const override;

private:
    std::wstring m_text;
};

class StringTemplateParameterNode : public StringTemplateNode {
public:
    explicit StringTemplateParameterNode(unsigned int number) : m_number(number) {}
    void appendTo(const Parameters& parameters, std::wstring& out) const override;

private:
    unsigned int m_number;
};

class StringTemplate {
public:
    explicit StringTemplate(const std::wstring& text);

    // Stores a copy of the value under the number (replacing any earlier one) and returns the
    // template, so that calls chain: StringTemplate(L"{1}.{2}").arg(1, 3).arg(2, 5).render().
    StringTemplate& arg(unsigned int number, const StringTemplateValue& value);
    const std::wstring& render() const;

    const std::wstring& text() const { return m_text; }

private:
    std::wstring m_text;
    mutable std::wstring m_result;
    // Nodes never change after parsing, so copies of a template share them.
    std::vector<std::shared_ptr<const StringTemplateNode>> m_nodes;
    StringTemplateNode::Parameters m_parameters;
};

} // namespace pel
