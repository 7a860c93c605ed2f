#include "pel/legacy/MessageListener.h"

#include "pel/legacy/MessageRegistry.h"

namespace pel {

MessageListener::MessageListener() { bind(MessageRegistry::getInstance()); }

MessageListener::MessageListener(MessageRegistry* registry) { bind(registry); }

MessageListener::MessageListener(const MessageListener& other) { bind(other.getRegistry()); }

MessageListener::~MessageListener() {
    if (MessageRegistry* registry = getRegistry())
        registry->detachListener(this);
    m_instance = nullptr;
}

void MessageListener::bind(MessageRegistry* registry) {
    if (!registry)
        return;
    MessageListenerInstance* instance = registry->registerInstance(this);
    if (!instance)
        return; // the registry was released
    m_instance = instance;
    m_registry = registry;
}

bool MessageListener::msgPostData(MessageData* data) {
    MessageRegistry* registry = getRegistry();
    return registry && registry->post(this, data);
}

bool MessageListener::msgSendData(MessageData* data) {
    MessageRegistry* registry = getRegistry();
    return registry && registry->send(this, data);
}

} // namespace pel
