#pragma once
// The fields of an HTML form and its file-like parts, encoded into an HTTP request (its query or
// its body) and decoded from one, as "application/x-www-form-urlencoded" or as
// "multipart/form-data".

#include "pel/net/http/NameValueCollection.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace pel {
namespace net {

class HTTPRequest;
class PartHandler;
class PartSource;

class HTMLForm : public NameValueCollection {
public:
    static const std::wstring ENCODING_URL;
    static const std::wstring ENCODING_MULTIPART;

    // URL-encoded.
    HTMLForm();
    explicit HTMLForm(const std::wstring& encoding);
    // Each loads the form from the request (see load).
    explicit HTMLForm(const HTTPRequest& request);
    HTMLForm(const HTTPRequest& request, std::istream& body);
    HTMLForm(const HTTPRequest& request, std::istream& body, PartHandler& handler);
    ~HTMLForm() override;
    HTMLForm(const HTMLForm&) = delete;
    HTMLForm& operator=(const HTMLForm&) = delete;

    void setEncoding(const std::wstring& encoding) { m_encoding = encoding; }
    const std::wstring& getEncoding() const { return m_encoding; }
    // Empty until a multipart body is prepared, written or read.
    const std::wstring& boundary() const { return m_boundary; }

    // Adds a file-like part, sent after the fields in a multipart body; the form owns it.
    // NullPointerException for a null source.
    void addPart(const std::wstring& name, PartSource* pSource);

    // Replaces the fields with those of the request: for POST and PUT from the body in the
    // encoding its "Content-Type" names (parts with a file name go to the handler), else from
    // the query of its URI. A multipart body without a "boundary" parameter throws
    // NotFoundException; one with a boundary over 70 characters MultipartException.
    void load(const HTTPRequest& request, std::istream& body, PartHandler& handler);
    void load(const HTTPRequest& request, std::istream& body);
    void load(const HTTPRequest& request);
    // Adds the fields of a body in the form's encoding.
    void read(std::istream& body, PartHandler& handler);

    // Sets the request up to carry the form: for POST and PUT the content type and length
    // of the body (a multipart body gets its boundary here, and its parts' streams must be able
    // to tell their length by seeking), "Connection: Close" for HTTP/1.0; for other methods
    // the form goes into the URI's query.
    void prepareSubmit(HTTPRequest& request);
    // Writes the body in the form's encoding.
    void write(std::ostream& out);
    // For a multipart form, with the given boundary.
    void write(std::ostream& out, const std::wstring& boundary);

private:
    struct Part {
        std::wstring name;
        std::unique_ptr<PartSource> source;
    };

    void readUrl(std::istream& in);
    void readMultipart(std::istream& in, PartHandler& handler);
    void writeUrl(std::ostream& out) const;
    // With copyContent false the parts' content is measured instead of written; returns the
    // bytes of content written or measured.
    int64_t writeMultipart(std::ostream& out, bool copyContent);
    bool isUrlEncoding() const;

    std::wstring m_encoding;
    std::wstring m_boundary;
    std::vector<Part> m_parts;
};

} // namespace net
} // namespace pel
