#include "app/CopyDataMessage.h"

#include "pel/base/Assert.h"

namespace tessel {

bool CopyDataMessage::read(const COPYDATASTRUCT* data, std::wstring* o_text) {
    PEL_CHECK_PTR(o_text);
    if (!data || data->dwData != 0 || !data->lpData || data->cbData < 2 || data->cbData > MAX_BYTES ||
        data->cbData % 2 != 0)
        return false;
    const wchar_t* text = static_cast<const wchar_t*>(data->lpData);
    const size_t units = data->cbData / 2;
    for (size_t i = 0; i < units; ++i)
        if (text[i] == L'\0') {
            o_text->assign(text, i);
            return true;
        }
    return false;
}

} // namespace tessel
