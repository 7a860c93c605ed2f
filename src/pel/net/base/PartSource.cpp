#include "pel/net/base/PartSource.h"

#include "pel/stream/NullStream.h"
#include "pel/stream/StreamCopier.h"

namespace pel {
namespace net {

const std::wstring& PartSource::filename() const {
    static const std::wstring none;
    return none;
}

PartSource::~PartSource() = default;

void NullPartHandler::handlePart(const MessageHeader& /*header*/, std::istream& stream) {
    NullOutputStream discard;
    StreamCopier::copyStream(stream, discard, 8192);
}

} // namespace net
} // namespace pel
