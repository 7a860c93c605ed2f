#pragma once
// The program's command line: "open-file" (f, the default option) and "open-project" (p), each
// with a path made full against the current folder of the process that reads it, so a second
// start hands over paths the running instance can open from its own folder.

#include "pel/cl/CommandLine.h"
#include "pel/value/DictionaryValue.h"

#include <memory>
#include <string>

class afViewPlatform;

namespace tessel {

struct AppCommandLine {
    // The options declared.
    static pel::CommandLine make();

    // Parses the text (the program's name first): a syntax error throws pel::ParserException.
    void parse(const std::wstring& text);
    // Parses the text; a syntax error is shown over the owner (none: on its own) as "Error
    // parsing command line: ..." and answered false.
    bool parseOrExplain(const std::wstring& text, afViewPlatform* owner);
    // The text a second start sends: the quoted program name and the parsed options.
    std::wstring toForward(const std::wstring& programPath) const;

    std::wstring file;
    std::wstring project;
    std::unique_ptr<pel::DictionaryValue> values;
};

} // namespace tessel
