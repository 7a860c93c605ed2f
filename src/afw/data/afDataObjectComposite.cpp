#include "afw/data/afDataObjectComposite.h"

afDataObjectComposite::~afDataObjectComposite() = default;

void afDataObjectComposite::add(afDataObject* child, bool makeCurrent) {
    std::unique_ptr<afDataObject> owned(child);
    if (!owned)
        return;
    m_children.push_back(std::move(owned));
    m_empty = false;
    if (makeCurrent)
        m_current = static_cast<uint32_t>(m_children.size() - 1);
}

afDataObject* afDataObjectComposite::childOf(afDataFormat format) const {
    for (const auto& child : m_children)
        if (child->getFormat(AF_DATA_GET) == format)
            return child.get();
    return nullptr;
}

bool afDataObjectComposite::getData(afDataFormat format, void* buffer) const {
    const afDataObject* child = childOf(format);
    return child && child->getData(format, buffer);
}

bool afDataObjectComposite::setData(afDataFormat format, uint32_t size, const void* data) {
    m_lastSetFormat = format;
    afDataObject* child = childOf(format);
    return child && child->setData(format, size, data);
}

uint32_t afDataObjectComposite::getDataSize(afDataFormat format) const {
    const afDataObject* child = childOf(format);
    return child ? child->getDataSize(format) : 0;
}

uint32_t afDataObjectComposite::loadSize(afDataFormat format, const void* data) const {
    const afDataObject* child = childOf(format);
    return child ? child->loadSize(format, data) : 0;
}

void afDataObjectComposite::clear() {
    afDataObject::clear();
    m_lastSetFormat = afDataFormat();
    for (const auto& child : m_children)
        child->clear();
}

bool afDataObjectComposite::isEmpty() const {
    for (const auto& child : m_children)
        if (!child->isEmpty())
            return false;
    return true;
}

uint32_t afDataObjectComposite::getFormatCount(afDataDirection) const {
    return static_cast<uint32_t>(m_children.size());
}

void afDataObjectComposite::getFormats(afDataFormat* buffer, afDataDirection direction) const {
    for (const auto& child : m_children)
        *buffer++ = child->getFormat(direction);
}

afDataFormat afDataObjectComposite::getFormat(afDataDirection direction) const {
    return m_current < m_children.size() ? m_children[m_current]->getFormat(direction) : afDataFormat();
}
