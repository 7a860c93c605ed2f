#pragma once
// Ordered lists of handlers told of one kind of event (errors added to a list, sections of the
// settings loaded, the service root's start and end, ...). Each handler is added under an owner,
// the object it belongs to, which takes its handlers off again before it goes. Handlers run in
// the order they were added; one removed while the list runs is not called any more, one added
// then waits for the next run. A Notice tells every handler; a Query asks its handlers in turn
// until one answers false.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tessel {

template <class Result, class... Args>
class HandlerList {
public:
    using Handler = std::function<Result(Args...)>;

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

protected:
    // Calls each handler still in the list until step answers false; false then.
    template <class Step>
    bool each(const Step& step) const {
        if (m_entries.empty())
            return true;
        const std::vector<std::shared_ptr<Entry>> entries = m_entries; // handlers may change the list
        for (const std::shared_ptr<Entry>& entry : entries)
            if (!entry->removed && !step(entry->handler))
                return false;
        return true;
    }

private:
    struct Entry {
        const void* owner;
        Handler handler;
        bool removed;
    };

    std::vector<std::shared_ptr<Entry>> m_entries;
};

template <class... Args>
class Notice : public HandlerList<void, Args...> {
public:
    using Handler = typename HandlerList<void, Args...>::Handler;

    void notify(Args... args) const {
        this->each([&](const Handler& handler) {
            handler(args...);
            return true;
        });
    }
};

template <class... Args>
class Query : public HandlerList<bool, Args...> {
public:
    using Handler = typename HandlerList<bool, Args...>::Handler;

    // True when every handler answered true (or there is none); the handlers after the first
    // that answers false are not asked.
    bool ask(Args... args) const {
        return this->each([&](const Handler& handler) { return handler(args...); });
    }
};

} // namespace tessel
