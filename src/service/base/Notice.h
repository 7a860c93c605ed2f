#pragma once
// An ordered list of handlers told of one kind of change (errors added to a list, sections of
// the settings loaded, ...). Each handler is added under an owner, the object it belongs to,
// which takes its handlers off again before it goes. Handlers run in the order they were added;
// one removed while the notice runs is not called any more, one added then waits for the next.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tessel {

template <class... Args>
class Notice {
public:
    using Handler = std::function<void(Args...)>;

    void add(const void* owner, Handler handler) {
        m_entries.push_back(std::make_shared<Entry>(Entry{owner, std::move(handler), false}));
    }
    // Takes off every handler the owner added.
    void remove(const void* owner) {
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if ((*it)->owner == owner) {
                (*it)->removed = true;
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    bool empty() const { return m_entries.empty(); }
    size_t size() const { return m_entries.size(); }

    void notify(Args... args) const {
        if (m_entries.empty())
            return;
        const std::vector<std::shared_ptr<Entry>> entries = m_entries; // handlers may change the list
        for (const std::shared_ptr<Entry>& entry : entries)
            if (!entry->removed)
                entry->handler(args...);
    }

private:
    struct Entry {
        const void* owner;
        Handler handler;
        bool removed;
    };

    std::vector<std::shared_ptr<Entry>> m_entries;
};

} // namespace tessel
