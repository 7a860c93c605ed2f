#include "afw/data/afClipboard.h"

#include "afw/core/afLog.h"
#include "afw/data/afClipboardRing.h"
#include "afw/data/afDataObject.h"
#include "afw/data/afIDataObject.h"

#include <new>
#include <vector>

namespace {

void logPutFailure(HRESULT result) {
    const wchar_t* text = nullptr;
    switch (result) {
    case CLIPBRD_E_CANT_OPEN:
        text = L"afClipboard::put: The OpenClipboard function used within OleSetClipboard failed. (CLIPBRD_E_CANT_OPEN)\n";
        break;
    case CLIPBRD_E_CANT_EMPTY:
        text = L"afClipboard::put: The EmptyClipboard function used within OleSetClipboard failed. (CLIPBRD_E_CANT_EMPTY)\n";
        break;
    case CLIPBRD_E_CANT_SET:
        text = L"afClipboard::put: The SetClipboardData function used within OleSetClipboard failed. (CLIPBRD_E_CANT_SET)\n";
        break;
    case CLIPBRD_E_CANT_CLOSE:
        text = L"afClipboard::put: The CloseClipboard function used within OleSetClipboard failed. (CLIPBRD_E_CANT_CLOSE)\n";
        break;
    }
    if (text)
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, text);
}

// Asks the clipboard's object for one format in the medium it is asked for by format; a bitmap
// is asked for once more as a global block.
bool fetch(IDataObject* clipboard, afDataFormat format, FORMATETC& request, STGMEDIUM& medium) {
    request = {format.getFormat(), nullptr, DVASPECT_CONTENT, -1, __afIDataObject::mediumTypeOf(format)};
    if (SUCCEEDED(clipboard->GetData(&request, &medium)))
        return true;
    if (format != afDataFormat(CF_BITMAP))
        return false;
    request.tymed = TYMED_HGLOBAL;
    return SUCCEEDED(clipboard->GetData(&request, &medium));
}

} // namespace

afClipboard::afClipboard() = default;

afClipboard::~afClipboard() {
    flush();
}

bool afClipboard::put(afDataObject* data) {
    IDataObject* com = data ? data->getComObject() : nullptr;
    if (!com)
        return false;
    const HRESULT result = ::OleSetClipboard(com);
    if (FAILED(result)) {
        logPutFailure(result);
        return false;
    }
    m_current = com;
    data->detach();
    return true;
}

bool afClipboard::get(afDataObject* target) {
    IDataObject* receiver = target ? target->getComObject() : nullptr;
    if (!receiver)
        return false;
    IDataObject* clipboard = nullptr;
    if (FAILED(::OleGetClipboard(&clipboard)) || !clipboard) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afClipboard::get(): Failed to get data from the clipboard.\n");
        return false;
    }
    bool transferred = false;
    afGuard([&] {
        std::vector<afDataFormat> formats(target->getFormatCount(AF_DATA_SET));
        target->getFormats(formats.data(), AF_DATA_SET);
        for (afDataFormat format : formats) {
            if (!::IsClipboardFormatAvailable(format.getFormat()))
                continue;
            FORMATETC request;
            STGMEDIUM medium = STGMEDIUM();
            if (!fetch(clipboard, format, request, medium))
                continue;
            if (SUCCEEDED(receiver->SetData(&request, &medium, TRUE))) {
                transferred = true;
                break;
            }
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afClipboard::get: Failed to set data in IDataObject\n");
            ::ReleaseStgMedium(&medium);
        }
    });
    clipboard->Release();
    return transferred;
}

bool afClipboard::isFormatAvailable(afDataFormat format) const {
    return ::IsClipboardFormatAvailable(format.getFormat()) ||
           (format == afDataFormat(CF_BITMAP) && ::IsClipboardFormatAvailable(CF_DIB));
}

bool afClipboard::clear() {
    return flush();
}

bool afClipboard::flush() {
    if (!m_current || ::OleIsCurrentClipboard(m_current) != S_OK)
        return false;
    if (FAILED(::OleFlushClipboard())) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afClipboard::clear(): OleFlushClipboard() failed.\n");
        return false;
    }
    m_current = nullptr;
    return true;
}

afClipboardRing* afClipboard::getRing() {
    if (!m_ring)
        m_ring.reset(new (std::nothrow) afClipboardRing(10, 0x80000, 32));
    return m_ring.get();
}
