#pragma once
// The client of the application's web service (the update check). The service root makes it
// empty and initialises it with the address the application passes; the settings hold what
// identifies this installation to the service. The requests themselves come with the
// application shell.

#include "pel/base/UUID.h"

#include <string>

namespace tessel {

class Config;

class WebApiService {
public:
    // The installation's identity, in "user:config/web.tsConfig": the text of a UUID made at the
    // first start.
    static constexpr const wchar_t* CLIENT_ID_SETTING = L"app.web.client_id";

    virtual ~WebApiService() = default;

    // Takes the service's base address, an absolute http or https address (anything else is
    // logged and leaves none), and reads the identity; a missing or unreadable one is replaced
    // by a new UUID, stored in the settings. Takes the Config lock.
    virtual void initialize(Config& config, const std::wstring& baseAddress);
    // Empty until initialised with a valid address.
    const std::wstring& getBaseAddress() const { return m_baseAddress; }
    // Nil until initialised (and when the system could make none).
    const pel::UUID& getClientId() const { return m_clientId; }

private:
    std::wstring m_baseAddress;
    pel::UUID m_clientId;
};

} // namespace tessel
