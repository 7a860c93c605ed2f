#pragma once
// Converts a command-line value as it is read: path values become full paths, so that a path
// means the same file after it has been handed to another process.

#include <string>

namespace pel {

class CommandLineOptionPathValueTraits {
public:
    virtual ~CommandLineOptionPathValueTraits() = default;

    // Replaces the value with its full path (relative to the current directory or a device).
    // An empty value or a path that cannot be expanded throws the file exception of the thread's
    // file error record.
    virtual void convert(std::wstring* io_val) const;

    // The object every parameter shares.
    static const CommandLineOptionPathValueTraits* instance();
};

} // namespace pel
