#include "pel/files/file_io/WatchNotification.h"

#include "pel/base/Crc.h"

namespace pel {

WatchNotification* WatchNotification::create(uint32_t kind, const std::wstring& name, uint64_t time) {
    WatchNotification* record = new WatchNotification;
    record->kind = kind;
    record->name = name;
    record->nameHash = hashName(name);
    record->time = time;
    return record;
}

WatchNotification* WatchNotification::cloneWithInfo(const FileInfo& details) const {
    WatchNotification* copy = create(kind, name, time);
    copy->secondName = secondName;
    copy->secondNameHash = secondNameHash;
    copy->overflow = overflow;
    copy->info.reset(new FileInfo(details));
    return copy;
}

uint32_t WatchNotification::hashName(const std::wstring& name) {
    if (name.empty() || name.find_first_of(L"\\/") != std::wstring::npos)
        return WATCH_NO_NAME_HASH;
    return crc32StringNoCase(name.c_str());
}

void WatchNotification::setSecondName(const std::wstring& second) {
    secondName = second;
    secondNameHash = hashName(second);
}

} // namespace pel
