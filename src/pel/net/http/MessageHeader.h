#pragma once
// A block of header fields ("Name: value" lines) as HTTP messages and multipart parts carry it,
// read from and written to text, with the helpers that split field values into elements and
// parameters and quote parameter values.

#include "pel/net/http/NameValueCollection.h"

#include <memory>
#include <string>
#include <vector>

namespace pel {

class StreamTextReader;
class StreamTextWriter;

namespace net {

class MessageHeader : public NameValueCollection {
public:
    static constexpr int MAX_NAME_LENGTH = 256;
    static constexpr int MAX_VALUE_LENGTH = 4096;

    MessageHeader() = default;
    MessageHeader(const MessageHeader& other) = default;
    MessageHeader& operator=(const MessageHeader& other) = default;
    ~MessageHeader() override = default;

    // Every field as name, ": ", value and CR LF, in collection order; no empty line after.
    virtual void write(const std::shared_ptr<StreamTextWriter>& writer) const;
    // Adds the fields of the block up to (not including) the CR or LF that starts the empty
    // line ending it, or to the end of input. Lines without a colon are skipped; folded lines
    // join their field. MessageException for a name or value over the limits or a value line
    // not ended by CR LF or LF.
    virtual void read(const std::shared_ptr<StreamTextReader>& reader);

    // Splits at commas outside double quotes into trimmed elements; a quoted stretch keeps its
    // quotes, and in it a backslash takes the next character literally.
    static void splitElements(const std::wstring& s, std::vector<std::wstring>& elements, bool ignoreEmpty = true);
    // "value; name=param; ...": the value before the first ";" and the parameters after it.
    static void splitParameters(const std::wstring& s, std::wstring& value, NameValueCollection& parameters);
    // Adds the "name=value" parameters separated by ";" between begin and end; quoted values
    // lose their quotes, a backslash takes the next character literally.
    static void splitParameters(std::wstring::const_iterator begin, std::wstring::const_iterator end,
                                NameValueCollection& parameters);
    // Appends value to result, in double quotes when it holds anything but ASCII letters and
    // digits, ".", "_", "-" (and blanks when allowSpace). Inner quotes are not escaped.
    static void quote(const std::wstring& value, std::wstring& result, bool allowSpace = false);
};

// Removes ASCII white space from the end of the text.
void trimRightInPlace(std::wstring& text);

} // namespace net
} // namespace pel
