// Config's section listeners: told at once when a file brought values for their section, and
// again on the UI thread through the message registry.

#include "service/base/Config.h"

#include "pel/base/Exception.h"
#include "pel/log/Log.h"
#include "pel/thread/MainThread.h"

#include <algorithm>
#include <exception>

namespace tessel {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

void Config::notifyLoaded(ConfigSection& section) {
    callListeners(section, Call::LOADED);
    bool inFlight = false;
    {
        Lock lock(m_lock);
        if (std::find(m_pending.begin(), m_pending.end(), &section) == m_pending.end())
            m_pending.push_back(&section);
        // Whenever nothing is in flight: a post that failed before must not leave the sections
        // pending for ever. The registry holds the in-flight count of the listener instance.
        if (!m_post_in_flight)
            m_post_in_flight = msgPostData(nullptr);
        inFlight = m_post_in_flight;
    }
    if (!inFlight && pel::is_main_thread())
        deliverPending();
}

void Config::msgOnMessage(pel::MessageData*) {
    Lock lock(m_lock);
    m_post_in_flight = false;
    deliverPending();
}

void Config::deliverPending() {
    std::vector<ConfigSection*> sections;
    {
        Lock lock(m_lock);
        sections.swap(m_pending);
    }
    for (ConfigSection* section : sections)
        callListeners(*section, Call::DELIVERED);
}

void Config::callListeners(ConfigSection& section, Call call) {
    std::vector<IConfigSectionListener*> listeners;
    {
        Lock lock(m_lock);
        listeners = section.m_listeners; // listeners may come and go meanwhile
    }
    const wchar_t* prefix = section.getText().c_str();
    for (IConfigSectionListener* listener : listeners) {
        {
            Lock lock(m_lock);
            if (std::find(section.m_listeners.begin(), section.m_listeners.end(), listener) == section.m_listeners.end())
                continue;
        }
        try {
            if (call == Call::LOADED)
                listener->onConfigSectionLoaded(*this, prefix);
            else
                listener->onConfigSectionDelivered(*this, prefix);
        } catch (const pel::Exception& e) {
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: a listener of '%s' failed: %s\n", prefix,
                            e.displayText().c_str());
        } catch (const std::exception& e) {
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: a listener of '%s' failed: %S\n", prefix, e.what());
        }
    }
}

} // namespace tessel
