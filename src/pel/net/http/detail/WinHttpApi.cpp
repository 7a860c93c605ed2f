#include "pel/net/http/detail/WinHttpApi.h"

namespace pel {
namespace net {
namespace detail {

const WinHttpApi& systemWinHttpApi() {
    static const WinHttpApi api = {
        ::WinHttpOpen,
        ::WinHttpSetTimeouts,
        ::WinHttpConnect,
        ::WinHttpOpenRequest,
        ::WinHttpAddRequestHeaders,
        ::WinHttpSendRequest,
        ::WinHttpReceiveResponse,
        ::WinHttpQueryHeaders,
        ::WinHttpQueryDataAvailable,
        ::WinHttpReadData,
        ::WinHttpWriteData,
        ::WinHttpSetOption,
        ::WinHttpGetIEProxyConfigForCurrentUser,
        ::WinHttpGetProxyForUrl,
        ::WinHttpCloseHandle,
    };
    return api;
}

WinHttpApi& winHttpApi() {
    static WinHttpApi api = systemWinHttpApi();
    return api;
}

} // namespace detail
} // namespace net
} // namespace pel
