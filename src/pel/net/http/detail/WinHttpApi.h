#pragma once
// The WinHTTP functions the client session calls, gathered in one table so that a test can
// stand in for single calls (the user's proxy settings, failures with chosen codes).

#include <windows.h>
#include <winhttp.h>

namespace pel {
namespace net {
namespace detail {

struct WinHttpApi {
    decltype(&::WinHttpOpen) open;
    decltype(&::WinHttpSetTimeouts) setTimeouts;
    decltype(&::WinHttpConnect) connect;
    decltype(&::WinHttpOpenRequest) openRequest;
    decltype(&::WinHttpAddRequestHeaders) addRequestHeaders;
    decltype(&::WinHttpSendRequest) sendRequest;
    decltype(&::WinHttpReceiveResponse) receiveResponse;
    decltype(&::WinHttpQueryHeaders) queryHeaders;
    decltype(&::WinHttpQueryDataAvailable) queryDataAvailable;
    decltype(&::WinHttpReadData) readData;
    decltype(&::WinHttpWriteData) writeData;
    decltype(&::WinHttpSetOption) setOption;
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) getIEProxyConfigForCurrentUser;
    decltype(&::WinHttpGetProxyForUrl) getProxyForUrl;
    decltype(&::WinHttpCloseHandle) closeHandle;
};

// The system's functions.
const WinHttpApi& systemWinHttpApi();
// The table sessions call; it starts as the system's. Replace entries only while no session runs.
WinHttpApi& winHttpApi();

} // namespace detail
} // namespace net
} // namespace pel
