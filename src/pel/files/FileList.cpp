#include "pel/files/FileList.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"

#include <cwchar>

namespace pel {

StaticFileList::~StaticFileList() { clear(); }

FileListEntry* StaticFileList::add(const wchar_t* path, const FileInfo* info) {
    PEL_CHECK_PTR(path);
    FileListEntry* entry = m_entries.allocate();
    *entry = FileListEntry();
    // The name is stored behind its length (two units), NUL-terminated.
    const size_t length = std::wcslen(path);
    wchar_t* room = m_names.allocate(length + 3);
    room[0] = static_cast<wchar_t>(length & 0xFFFF);
    room[1] = static_cast<wchar_t>(length >> 16);
    std::wmemcpy(room + 2, path, length + 1);
    entry->name = room + 2;

    entry->prev = m_last;
    if (m_last)
        m_last->next = entry;
    else
        m_first = entry;
    m_last = entry;
    ++m_count;

    if (info) {
        FileIO::copyInfo(*info, &entry->info);
        entry->flags |= FILELIST_HAS_INFO;
        if (info->flags & FILEINFO_DIRECTORY) {
            ++m_statistics.directories;
        } else {
            ++m_statistics.files;
            m_statistics.totalSize += info->size;
        }
    }
    if (m_groupPending)
        entry->flags |= FILELIST_GROUP_START;
    m_groupPending = false;
    return entry;
}

void StaticFileList::clear() {
    for (FileListEntry* entry = m_first; entry;) {
        FileListEntry* next = entry->next;
        m_entries.deallocate(entry);
        entry = next;
    }
    m_first = m_last = nullptr;
    m_count = 0;
    m_names.clear();
    m_statistics = FileListStatistics();
    m_groupPending = true;
}

namespace FileIO {

void copyInfo(const FileInfo& from, FileListInfo* o_to) {
    PEL_CHECK_PTR(o_to);
    o_to->flags = from.flags;
    o_to->size = from.size;
    o_to->lastWriteTime = from.lastWriteTime;
    o_to->lastAccessTime = from.lastAccessTime;
    o_to->creationTime = from.creationTime;
}

bool refreshItemInfo(FileListEntry* item) {
    PEL_CHECK_PTR(item);
    if (!item->name || (item->flags & FILELIST_HAS_INFO))
        return true;
    FileInfo info;
    if (!getFileInfo(item->name, &info))
        return false;
    copyInfo(info, &item->info);
    item->flags |= FILELIST_HAS_INFO;
    return true;
}

} // namespace FileIO

} // namespace pel
