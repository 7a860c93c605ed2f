#pragma once
// Receives the lines the log manager delivers: on the logging thread, one at a time across
// the process, with the library lock held. A listener must not wait for another thread that
// logs. Owners remove a listener from the manager, then delete it through its own type.

namespace pel {

class LogMessage;

class LogListener {
public:
    virtual void onMessage(LogMessage* message) {}
    // Filter: only accepted messages reach onMessage.
    virtual bool accepts(LogMessage* message) { return true; }

protected:
    ~LogListener() = default;
};

} // namespace pel
