#pragma once
// A program's command line: parsing text into the values of the declared options, and writing
// such values back to text (as a second instance forwards its command line to the first).

#include "pel/cl/CommandLineOption.h"

#include <memory>
#include <string>

namespace pel {

class AbstractDictionaryValue;
class DictionaryValue;

class CommandLine {
public:
    CommandLine() = default;
    explicit CommandLine(const CommandLineOptions& options) : m_options(options) {}

    CommandLineOptions& options() { return m_options; }
    const CommandLineOptions& options() const { return m_options; }

    // The first word (the program) is skipped. The result maps the long name of each option
    // given to a dictionary of its parameters' values: a string, or a list of strings for a
    // parameter with FLAG_MULTIPLE. Syntax and usage errors throw ParserException; a path value
    // that cannot be expanded throws the matching FileException.
    std::unique_ptr<DictionaryValue> parse(const std::wstring& text) const;

    // Appends "--name value ..." for each option of a parse result, separated from text already
    // in o_string by a space. parse reads the text back to the same values (empty values apart).
    static void toString(const AbstractDictionaryValue* val, std::wstring* o_string);

private:
    CommandLineOptions m_options;
};

} // namespace pel
