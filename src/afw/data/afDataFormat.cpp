#include "afw/data/afDataFormat.h"

#include "afw/core/afLog.h"

#include <windows.h>

void afDataFormat::setFormat(const wchar_t* name) {
    m_format = name ? static_cast<uint16_t>(::RegisterClipboardFormatW(name)) : 0;
    if (!m_format)
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afDataFormat::setFormat(): Unable to register custom format `%s`\n",
                        name ? name : L"NULL");
}
