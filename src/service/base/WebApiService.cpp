#include "service/base/WebApiService.h"

#include "service/base/Config.h"

#include "pel/base/Exception.h"
#include "pel/base/URI.h"
#include "pel/log/Log.h"
#include "pel/thread/Mutex.h"

namespace tessel {

namespace {

constexpr const wchar_t* WEB_SETTINGS = L"user:config/web.tsConfig";

bool isServiceAddress(const std::wstring& address) {
    try {
        const pel::URI uri(address);
        return (uri.getScheme() == L"http" || uri.getScheme() == L"https") && !uri.getHost().empty();
    } catch (const pel::Exception&) {
        return false;
    }
}

} // namespace

void WebApiService::initialize(Config& config, const std::wstring& baseAddress) {
    m_baseAddress.clear();
    if (isServiceAddress(baseAddress))
        m_baseAddress = baseAddress;
    else if (!baseAddress.empty())
        pel::log_printf(pel::LOG_WARNING, Config::LOG_SOURCE,
                        L"WebApiService: `%s` is not an http or https address; the service has none.",
                        baseAddress.c_str());

    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    ConfigValue* stored = config.findValue(CLIENT_ID_SETTING);
    if (!stored)
        if (ConfigNameSpace* web = config.findNameSpace(WEB_SETTINGS))
            stored = config.declareValueWithDefault(web, CLIENT_ID_SETTING, ConfigValue::fromString(L""));
    const bool text = stored && stored->getType() == ConfigValue::STRING;
    const std::wstring known = text ? stored->getString() : L"";
    if (pel::UUID::parse(known.c_str(), &m_clientId) && !m_clientId.isNil())
        return;
    if (!known.empty() || (stored && !text))
        pel::log_printf(pel::LOG_WARNING, Config::LOG_SOURCE,
                        L"WebApiService: `%s` is not a UUID; this installation gets a new one.", CLIENT_ID_SETTING);
    try {
        m_clientId = pel::UUID::create();
    } catch (const pel::Exception& e) {
        m_clientId = pel::UUID::nil();
        pel::log_printf(pel::LOG_ERROR, Config::LOG_SOURCE, L"WebApiService: No identity: %s", e.displayText().c_str());
        return;
    }
    if (text)
        stored->setString(m_clientId.toString().c_str());
}

} // namespace tessel
