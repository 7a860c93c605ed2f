#include "afw/data/afDataObject.h"

#include "afw/core/afLog.h"
#include "afw/data/afIDataObject.h"

#include <vector>

afDataObject::afDataObject() : m_com(new __afIDataObject(this)) {
    m_com->AddRef();
}

afDataObject::~afDataObject() {
    if (__afIDataObject* com = m_com) {
        m_com = nullptr;
        com->m_owner = nullptr;
        if (m_holdsCom)
            com->Release();
    }
}

bool afDataObject::getData(afDataFormat, void*) const {
    return false;
}

bool afDataObject::setData(afDataFormat, uint32_t, const void*) {
    m_empty = false;
    return false;
}

uint32_t afDataObject::getDataSize(afDataFormat) const {
    return 0;
}

uint32_t afDataObject::loadSize(afDataFormat, const void* data) const {
    const SIZE_T size = data ? ::HeapSize(::GetProcessHeap(), 0, data) : static_cast<SIZE_T>(-1);
    if (size == static_cast<SIZE_T>(-1)) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afDataObject::loadSize(): HeapSize failed.\n");
        return 0;
    }
    return static_cast<uint32_t>(size);
}

void afDataObject::clear() {
    m_empty = true;
}

bool afDataObject::isEmpty() const {
    return m_empty;
}

bool afDataObject::hasFormat(afDataFormat format, afDataDirection direction) const {
    const uint32_t count = getFormatCount(direction);
    if (count == 1)
        return getFormat(direction) == format;
    std::vector<afDataFormat> formats(count);
    getFormats(formats.data(), direction);
    for (afDataFormat offered : formats)
        if (offered == format)
            return true;
    return false;
}

uint32_t afDataObject::getFormatCount(afDataDirection) const {
    return 0;
}

void afDataObject::getFormats(afDataFormat*, afDataDirection) const {}

afDataFormat afDataObject::getFormat(afDataDirection) const {
    return afDataFormat();
}

IDataObject* afDataObject::getComObject() const {
    return m_holdsCom ? m_com : nullptr;
}

void afDataObject::detach() {
    if (!m_holdsCom || !m_com)
        return;
    m_holdsCom = false;
    m_com->m_ownsOwner = true;
    m_com->Release(); // may delete this
}

bool afDataObjectSimple::getData(afDataFormat format, void* buffer) const {
    return format == m_format && getData(buffer);
}

bool afDataObjectSimple::setData(afDataFormat format, uint32_t size, const void* data) {
    return format == m_format && setData(size, data);
}

uint32_t afDataObjectSimple::getDataSize(afDataFormat format) const {
    return format == m_format ? getSize() : 0;
}

uint32_t afDataObjectSimple::getFormatCount(afDataDirection) const {
    return 1;
}

void afDataObjectSimple::getFormats(afDataFormat* buffer, afDataDirection) const {
    buffer[0] = m_format;
}

afDataFormat afDataObjectSimple::getFormat(afDataDirection) const {
    return m_format;
}

uint32_t afDataObjectSimple::getSize() const {
    return 0;
}

bool afDataObjectSimple::getData(void*) const {
    return false;
}

bool afDataObjectSimple::setData(uint32_t, const void*) {
    m_empty = false;
    return false;
}
