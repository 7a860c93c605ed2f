#pragma once
// Whole files of the value-tree text format (every configuration and project file): loading a
// file of any encoding into a ValueNode tree, saving a tree as tab-indented UTF-16LE text with a
// byte-order mark, and the writer of that text, which Config also calls for its own files.
// Its log lines go out at level 1 under LOG_JASMINE_LOADER_SOURCE, the failed loads too.

#include "service/base/ValueNode.h"
#include "service/base/ValueNodeParser.h"

#include "pel/base/Crc.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tessel {

constexpr uint32_t LOG_JASMINE_LOADER_SOURCE = pel::crc32Literal("JasmineLoader");

class JasmineLoader {
public:
    // A file's bytes, read whole to be decoded and parsed later; held in UTF-16 units.
    struct FileBytes {
        std::unique_ptr<wchar_t[]> data;
        size_t size = 0; // in bytes
    };

    // Larger files are refused: a file's bytes and its text are both held while it loads.
    static constexpr int64_t MAX_FILE_SIZE = int64_t(256) << 20;

    // Reads the file at the device path, decodes it (byte-order mark, UTF-8 test, else the
    // system code page) and parses it into o_node. A missing, unreadable, empty, too large or
    // undecodable file answers false and leaves o_node as it was; a syntax error throws
    // pel::ParserException (the file already closed), o_node keeping what was parsed before.
    static bool load(const wchar_t* path, ValueNode& o_node);
    // The same into the sections of a file of settings (ValueNodeParser::parseSections), the
    // text kept in o_sections for their keys.
    static bool load(const wchar_t* path, ValueSections& o_sections);
    // load in two steps: reading the file whole (false for a missing, unreadable, empty or too
    // large one), then decoding and parsing the bytes read from the path.
    static bool read(const wchar_t* path, FileBytes& o_bytes);
    static bool load(const wchar_t* path, const FileBytes& bytes, ValueSections& o_sections);
    // Writes the tree to the file at the device path through pel::SafeSave: the old file stays
    // as it was unless every byte was written and the file replaced, which alone answers true.
    static bool save(const wchar_t* path, const ValueNode& node);
    // Appends the tree's text at the indentation depth (tabs). The text always reads back: a
    // Symbol that is no bare symbol goes quoted (the parser makes a String of every symbol);
    // what the format cannot hold is written as null (non-finite doubles, regular expressions
    // without a pattern or ending in a lone backslash, containers nested deeper than the parser
    // takes) or left out (keys that would not read back as themselves), each with a level-2 log
    // line. A pattern starting with "*" is written with the star escaped ("/\*"), as "/*" would
    // open a comment.
    static void writeValue(const ValueNode& node, std::wstring& io_text, int depth);
};

} // namespace tessel
