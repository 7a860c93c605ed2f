#include "service/document/undo/UndoListener.h"

#include "pel/text/WideString.h"
#include "service/document/undo/UndoContext.h"

namespace tessel {

void UndoListener::dump(UndoContext& context, std::wstring& out, const wchar_t* prefix) {
    constexpr uint32_t SHOWN = 256;
    unsigned char bytes[SHOWN];
    const uint32_t size = context.payloadSize();
    const uint32_t read = context.read(bytes, size < SHOWN ? size : SHOWN);
    if (read == 0)
        out.append(prefix ? prefix : L"").append(L"\n");
    pel::hexDump(bytes, read, out, prefix);
    if (size > SHOWN)
        out += L" ...etc\n";
}

} // namespace tessel
