#include "pel/cl/CommandLineOption.h"

#include "pel/cl/CommandLineOptionValueTraits.h"

namespace pel {

CommandLineOptionParameter::CommandLineOptionParameter(const std::wstring& i_name, const std::wstring& i_description)
    : name(i_name), description(i_description), traits(CommandLineOptionPathValueTraits::instance()) {}

CommandLineOptionParameter& CommandLineOptionParameter::operator=(const CommandLineOptionParameter& other) {
    flags = other.flags;
    name = other.name;
    description = other.description;
    traits = other.traits;
    return *this;
}

void CommandLineOptionParameter::set(const std::wstring& i_name, const std::wstring& i_description, uint32_t i_flags,
                                     const CommandLineOptionPathValueTraits* i_traits) {
    flags = i_flags;
    name = i_name;
    description = i_description;
    traits = i_traits;
}

void CommandLineOptionParameter::set(const std::wstring& i_name, const std::wstring& i_description, uint32_t i_flags) {
    set(i_name, i_description, i_flags, nullptr);
}

void CommandLineOptionParameter::set(const std::wstring& i_name, const std::wstring& i_description) {
    set(i_name, i_description, 0);
}

void CommandLineOptionParameter::set(const std::wstring& i_name) {
    set(i_name, std::wstring(), 0);
}

void CommandLineOptionParameters::add(const CommandLineOptionParameter& parameter) {
    m_items.push_back(std::make_shared<CommandLineOptionParameter>(parameter));
}

CommandLineOptionPtr CommandLineOptions::add(const std::wstring& long_name, const std::wstring& short_name,
                                             const std::wstring& description, uint32_t flags) {
    CommandLineOptionPtr option = std::make_shared<CommandLineOption>(long_name, short_name, description, flags);
    m_items.push_back(option);
    if (flags & CommandLineOption::FLAG_DEFAULT)
        m_default = option;
    return option;
}

const CommandLineOption* CommandLineOptions::findByShortName(const std::wstring& name) const {
    for (const CommandLineOptionPtr& option : m_items)
        if (option->shortName == name)
            return option.get();
    return nullptr;
}

const CommandLineOption* CommandLineOptions::findByLongName(const std::wstring& name) const {
    for (const CommandLineOptionPtr& option : m_items)
        if (option->longName == name)
            return option.get();
    return nullptr;
}

} // namespace pel
