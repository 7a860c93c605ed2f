#include "afw/data/afIDataObject.h"

#include "afw/core/afLog.h"
#include "afw/data/afDataBlock.h"
#include "afw/data/afDataObject.h"
#include "afw/data/afIEnumFORMATETC.h"

#include <vector>

namespace {

// The size of a METAFILEPICT record (mapping mode, extents, handle) in a 32-bit process.
constexpr uint32_t kMetafilePictSize = 16;

} // namespace

__afIDataObject::~__afIDataObject() {
    if (afDataObject* owner = m_owner) {
        m_owner = nullptr;
        owner->m_com = nullptr;
        if (m_ownsOwner)
            delete owner;
    }
}

DWORD __afIDataObject::mediumTypeOf(afDataFormat format) {
    switch (format.getFormat()) {
    case CF_BITMAP:
        return TYMED_GDI;
    case CF_METAFILEPICT:
        return TYMED_MFPICT;
    case CF_ENHMETAFILE:
        return TYMED_ENHMF;
    default:
        return TYMED_HGLOBAL;
    }
}

HRESULT __afIDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium)
        return E_POINTER;
    *medium = STGMEDIUM();
    return afComGuard([&]() -> HRESULT {
        const HRESULT query = queryGetData(format);
        if (query != S_OK)
            return query;
        const afDataFormat requested = format->cfFormat;
        afOwnedGlobal block;
        STGMEDIUM filled = STGMEDIUM();
        filled.tymed = mediumTypeOf(requested);
        if (filled.tymed == TYMED_HGLOBAL || filled.tymed == TYMED_MFPICT) {
            const uint32_t size = filled.tymed == TYMED_MFPICT ? kMetafilePictSize : m_owner->getDataSize(requested);
            if (size == 0) {
                pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"__IDataObject::GetData(): Invalid data size - can't be 0\n");
                return DV_E_FORMATETC;
            }
            block.reset(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size), true);
            if (!block)
                return E_OUTOFMEMORY;
            filled.hGlobal = block.get();
        }
        const HRESULT result = getDataHere(*format, filled);
        if (result != S_OK)
            return result;
        block.release();
        *medium = filled;
        return S_OK;
    });
}

HRESULT __afIDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium)
        return E_INVALIDARG;
    return afComGuard([&] { return getDataHere(*format, *medium); });
}

HRESULT __afIDataObject::getDataHere(const FORMATETC& format, STGMEDIUM& medium) const {
    if (!m_owner)
        return E_UNEXPECTED;
    switch (medium.tymed) {
    case TYMED_HGLOBAL:
    case TYMED_MFPICT: {
        const afGlobalLock lock(medium.hGlobal);
        if (!lock.data())
            return E_OUTOFMEMORY;
        // The caller's own block may be smaller than what the data needs.
        if (lock.size() < m_owner->getDataSize(format.cfFormat))
            return STG_E_MEDIUMFULL;
        return m_owner->getData(format.cfFormat, lock.data()) ? S_OK : E_UNEXPECTED;
    }
    case TYMED_GDI:
        return m_owner->getData(CF_BITMAP, &medium.hBitmap) ? S_OK : E_UNEXPECTED;
    case TYMED_ENHMF:
        return m_owner->getData(CF_ENHMETAFILE, &medium.hEnhMetaFile) ? S_OK : E_UNEXPECTED;
    default:
        return DV_E_TYMED;
    }
}

HRESULT __afIDataObject::QueryGetData(FORMATETC* format) {
    return afComGuard([&] { return queryGetData(format); });
}

HRESULT __afIDataObject::queryGetData(const FORMATETC* format) const {
    if (!format)
        return E_INVALIDARG;
    if (!m_owner)
        return E_UNEXPECTED;
    if (format->lindex != -1)
        return DV_E_LINDEX;
    if (format->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!m_owner->hasFormat(format->cfFormat, AF_DATA_GET))
        return DV_E_FORMATETC;
    // A caller that asked only for a stream must not be handed a global block.
    if (!(format->tymed & mediumTypeOf(format->cfFormat)))
        return DV_E_TYMED;
    return S_OK;
}

HRESULT __afIDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* canonical) {
    if (!canonical)
        return E_POINTER;
    canonical->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT __afIDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    if (!format || !medium)
        return E_INVALIDARG;
    return afComGuard([&]() -> HRESULT {
        if (!m_owner)
            return E_UNEXPECTED;
        switch (medium->tymed) {
        case TYMED_HGLOBAL:
        case TYMED_MFPICT: {
            const HRESULT result = setFromGlobal(format->cfFormat, medium->hGlobal);
            if (result != S_OK)
                return result;
            break;
        }
        case TYMED_GDI:
            if (!m_owner->setData(CF_BITMAP, 0, &medium->hBitmap))
                return E_UNEXPECTED;
            break;
        case TYMED_ENHMF:
            if (!m_owner->setData(CF_ENHMETAFILE, 0, &medium->hEnhMetaFile))
                return E_UNEXPECTED;
            break;
        default:
            return DV_E_TYMED;
        }
        if (release)
            releaseTaken(*medium);
        return S_OK;
    });
}

// A global block's content was copied, so the block goes. A bitmap or metafile handle is the
// data object's now, and so is the picture a metafile record names: only the record goes.
void __afIDataObject::releaseTaken(STGMEDIUM& medium) {
    if (medium.tymed == TYMED_MFPICT && !medium.pUnkForRelease)
        ::GlobalFree(medium.hMetaFilePict);
    if (medium.tymed != TYMED_HGLOBAL)
        medium.hGlobal = nullptr;
    ::ReleaseStgMedium(&medium);
}

HRESULT __afIDataObject::setFromGlobal(afDataFormat format, HGLOBAL block) {
    if (!m_owner->hasFormat(format, AF_DATA_SET))
        return DV_E_FORMATETC;
    const afGlobalLock lock(block);
    const void* data = lock.data();
    if (!data)
        return E_OUTOFMEMORY;
    const size_t blockSize = lock.size();
    uint32_t size;
    switch (format.getFormat()) {
    case CF_TEXT:
    case CF_OEMTEXT:
        size = afDataBlock::narrowTextSize(data, blockSize);
        break;
    case CF_UNICODETEXT:
        size = afDataBlock::wideTextSize(data, blockSize);
        break;
    case CF_BITMAP:
    case CF_DIB:
        size = 0;
        break;
    case CF_HDROP:
        // The file query reads the list up to its double NUL: it must be there.
        if (!afDataBlock::isDropFiles(data, blockSize))
            return E_UNEXPECTED;
        size = 0;
        data = block;
        break;
    case CF_METAFILEPICT:
        if (blockSize < kMetafilePictSize)
            return E_UNEXPECTED;
        size = kMetafilePictSize;
        break;
    default:
        size = static_cast<uint32_t>(blockSize);
        break;
    }
    return m_owner->setData(format, size, data) ? S_OK : E_UNEXPECTED;
}

HRESULT __afIDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) {
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    return afComGuard([&]() -> HRESULT {
        if (!m_owner)
            return E_UNEXPECTED;
        const afDataDirection which = direction == DATADIR_GET ? AF_DATA_GET : AF_DATA_SET;
        std::vector<afDataFormat> formats(m_owner->getFormatCount(which));
        m_owner->getFormats(formats.data(), which);
        auto* formatEnumerator = new __afIEnumFORMATETC(std::move(formats), 0);
        formatEnumerator->AddRef();
        *enumerator = formatEnumerator;
        return S_OK;
    });
}

HRESULT __afIDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT __afIDataObject::DUnadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT __afIDataObject::EnumDAdvise(IEnumSTATDATA**) {
    return OLE_E_ADVISENOTSUPPORTED;
}
