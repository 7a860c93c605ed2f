#include "afw/data/afIEnumFORMATETC.h"

#include "afw/data/afIDataObject.h"

HRESULT __afIEnumFORMATETC::Next(ULONG count, FORMATETC* out, ULONG* fetched) {
    if (!out)
        return E_POINTER;
    ULONG yielded = 0;
    for (; yielded < count && m_position < m_formats.size(); ++yielded, ++m_position)
        {
        const afDataFormat format = m_formats[m_position];
        out[yielded] = {format.getFormat(), nullptr, DVASPECT_CONTENT, -1, __afIDataObject::mediumTypeOf(format)};
    }
    if (fetched)
        *fetched = yielded;
    return yielded == count ? S_OK : S_FALSE;
}

HRESULT __afIEnumFORMATETC::Skip(ULONG count) {
    if (count >= m_formats.size() - m_position)
        return S_FALSE;
    m_position += count;
    return S_OK;
}

HRESULT __afIEnumFORMATETC::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT __afIEnumFORMATETC::Clone(IEnumFORMATETC** clone) {
    if (!clone)
        return E_POINTER;
    *clone = nullptr;
    return afComGuard([&] {
        auto* copy = new __afIEnumFORMATETC(m_formats, m_position);
        copy->AddRef();
        *clone = copy;
        return S_OK;
    });
}
