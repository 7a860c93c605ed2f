#pragma once
// The program's command line: "open-file" (f, the default option), which takes every file named,
// and "open-project" (p), each with paths made full against the current folder of the process
// that reads it, so a second start hands over paths the running instance can open from its own
// folder.

#include "pel/cl/CommandLine.h"

#include <cstddef>
#include <string>
#include <vector>

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
    // One text a second start sends: the quoted program name and options that parse reads
    // back, and the project and files it names.
    struct Forwarded {
        std::wstring text;
        std::vector<std::wstring> names;
    };
    // What a second start sends, in order, each text no longer than maxUnits. The project goes
    // with the first; the files are spread over as many texts as they need, in their order. A
    // file that does not fit in a text of its own goes to o_left instead.
    std::vector<Forwarded> toForward(const std::wstring& programPath, size_t maxUnits,
                                     std::vector<std::wstring>* o_left) const;

    // In the order given.
    std::vector<std::wstring> files;
    std::wstring project;
};

} // namespace tessel
