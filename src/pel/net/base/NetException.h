#pragma once
// The exceptions of the network code: failed HTTP exchanges and malformed messages.

#include "pel/files/file_io/FileException.h"

namespace pel {
namespace net {

PEL_DECLARE_EXCEPTION(NetException, IOException, L"NetException");
PEL_DECLARE_EXCEPTION(HTTPException, NetException, L"HTTPException");
// The input held no message at all (it ended before its first character).
PEL_DECLARE_EXCEPTION(NoMessageException, NetException, L"NoMessageException");
PEL_DECLARE_EXCEPTION(MessageException, NetException, L"MessageException");
PEL_DECLARE_EXCEPTION(MultipartException, MessageException, L"MultipartException");

} // namespace net
} // namespace pel
