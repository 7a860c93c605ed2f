#pragma once
// The client of the application's web service (the update check). The service root makes it
// empty and initialises it with the address the application passes; the requests themselves
// come with the application shell.

#include <string>

namespace tessel {

class Config;

class WebApiService {
public:
    virtual ~WebApiService() = default;

    // Takes the service's base address; the settings hold what identifies this installation.
    virtual void initialize(Config& config, const std::wstring& baseAddress);
    const std::wstring& getBaseAddress() const { return m_baseAddress; }

private:
    std::wstring m_baseAddress;
};

} // namespace tessel
