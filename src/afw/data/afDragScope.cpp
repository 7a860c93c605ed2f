#include "afw/data/afDragScope.h"

#include "afw/data/afDataObject.h"

#include <cstring>
#include <vector>

namespace {

afDragScope* s_innermost = nullptr;

} // namespace

afDragScope::afDragScope(const afDataObject* data) : m_data(data), m_outer(s_innermost) {
    s_innermost = this;
}

afDragScope::~afDragScope() {
    s_innermost = m_outer;
}

bool afDragScope::offers(afDataFormat format, const void* bytes, uint32_t size) {
    for (const afDragScope* scope = s_innermost; scope; scope = scope->m_outer) {
        const afDataObject* data = scope->m_data;
        if (!data || !data->hasFormat(format, AF_DATA_GET) || data->getDataSize(format) != size)
            continue;
        std::vector<unsigned char> offered(size);
        if (data->getData(format, offered.data()) && std::memcmp(offered.data(), bytes, size) == 0)
            return true;
    }
    return false;
}

bool afDragScope::drags(const IDataObject* dragged) {
    if (!dragged)
        return false;
    for (const afDragScope* scope = s_innermost; scope; scope = scope->m_outer)
        if (scope->m_data && scope->m_data->getComObject() == dragged)
            return true;
    return false;
}
