#pragma once
// The options a program accepts on its command line: each option has a long and a short name
// and a list of named parameters that take the words after it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pel {

class CommandLineOptionPathValueTraits;

class CommandLineOptionParameter {
public:
    // Takes every following value, collected in a list.
    static constexpr uint32_t FLAG_MULTIPLE = 1;

    // Flags 0, values converted to full paths.
    CommandLineOptionParameter(const std::wstring& i_name, const std::wstring& i_description);
    CommandLineOptionParameter(const CommandLineOptionParameter& other) = default;
    virtual ~CommandLineOptionParameter() = default;

    virtual CommandLineOptionParameter& operator=(const CommandLineOptionParameter& other);
    virtual void set(const std::wstring& i_name, const std::wstring& i_description, uint32_t i_flags,
                     const CommandLineOptionPathValueTraits* i_traits);
    // The overloads below also drop the value conversion.
    virtual void set(const std::wstring& i_name, const std::wstring& i_description, uint32_t i_flags);
    virtual void set(const std::wstring& i_name, const std::wstring& i_description);
    virtual void set(const std::wstring& i_name);

    uint32_t flags = 0;
    std::wstring name;
    std::wstring description;
    const CommandLineOptionPathValueTraits* traits = nullptr; // null: values are kept as typed
};

class CommandLineOptionParameters {
public:
    using Items = std::vector<std::shared_ptr<CommandLineOptionParameter>>;

    // Keeps a copy of the parameter.
    void add(const CommandLineOptionParameter& parameter);

    size_t size() const { return m_items.size(); }
    const CommandLineOptionParameter& operator[](size_t i) const { return *m_items[i]; }
    Items::const_iterator begin() const { return m_items.begin(); }
    Items::const_iterator end() const { return m_items.end(); }

private:
    Items m_items;
};

class CommandLineOption {
public:
    static constexpr uint32_t FLAG_REQUIRED = 1;
    // Receives the words that follow no option.
    static constexpr uint32_t FLAG_DEFAULT = 2;

    CommandLineOption(const std::wstring& i_long_name, const std::wstring& i_short_name,
                      const std::wstring& i_description, uint32_t i_flags)
        : flags(i_flags), shortName(i_short_name), longName(i_long_name), description(i_description) {}
    virtual ~CommandLineOption() = default;

    uint32_t flags;
    std::wstring shortName;
    std::wstring longName; // the key of the option's values in a parse result
    std::wstring description;
    CommandLineOptionParameters parameters;
};

using CommandLineOptionPtr = std::shared_ptr<CommandLineOption>;

class CommandLineOptions {
public:
    using Items = std::vector<CommandLineOptionPtr>;

    // Declares an option and returns it for its parameters to be added. Of the options flagged
    // FLAG_DEFAULT, the last one declared is the default option.
    CommandLineOptionPtr add(const std::wstring& long_name, const std::wstring& short_name,
                             const std::wstring& description, uint32_t flags);

    // The first option declared under the name, or null.
    const CommandLineOption* findByShortName(const std::wstring& name) const;
    const CommandLineOption* findByLongName(const std::wstring& name) const;

    const Items& items() const { return m_items; }
    const CommandLineOption* defaultOption() const { return m_default.get(); }

private:
    Items m_items;
    CommandLineOptionPtr m_default;
};

} // namespace pel
