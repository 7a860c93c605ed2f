#pragma once
// Environment variables and facts about the running process.

#include <string>

namespace pel {

class EnvironmentImpl {
public:
    // True when the variable exists, even with an empty value.
    static bool has(const wchar_t* name);
    // The variable's value, replacing io_value or appended to it; NotFoundException (with the
    // name as message) when the variable does not exist.
    static void get(const wchar_t* name, std::wstring* io_value, bool append = false);
    static std::wstring get(const wchar_t* name);
    // SystemException "Cannot set environment variable: <name>" on failure.
    static void set(const wchar_t* name, const wchar_t* value);
    // The program's file path; IllegalStateException "Cannot get application file name." on failure.
    static void getApplicationPath(std::wstring* o_path);
    // The command line the process was started with, or empty.
    static void getCommandLine(std::wstring* o_command_line);
    // The computer's name; SystemException "Cannot get computer name" on failure.
    static void getNodeName(std::wstring* o_name);
};

} // namespace pel
