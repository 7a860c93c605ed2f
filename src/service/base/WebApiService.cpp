#include "service/base/WebApiService.h"

namespace tessel {

void WebApiService::initialize(Config&, const std::wstring& baseAddress) { m_baseAddress = baseAddress; }

} // namespace tessel
