#include "pel/files/file_io/VirtualDirectory.h"

#include "pel/base/Crc.h"
#include "pel/files/file_io/FileError.h"

namespace pel {

VirtualDirectory::VirtualDirectory(std::vector<Directory*> listings, const wchar_t* path)
    : m_listings(std::move(listings)), m_path(path) {}

VirtualDirectory::~VirtualDirectory() {
    for (Directory* listing : m_listings) {
        if (!listing)
            FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        else if (FileDevice* device = listing->device())
            device->closeDirectory(listing);
        else
            delete listing;
    }
}

bool VirtualDirectory::isValid() const {
    if (m_current < m_listings.size())
        return m_listings[m_current]->isValid();
    for (const Directory* listing : m_listings)
        if (!listing->isValid())
            return false;
    return true;
}

const FileInfo* VirtualDirectory::next() {
    while (m_current < m_listings.size()) {
        Directory* listing = m_listings[m_current];
        if (const FileInfo* entry = listing->next()) {
            // The name's own hash: a layer below lists the same name under the same key.
            if (m_keys.insert(crc64StringNoCase(entry->name)).second)
                return entry;
            continue;
        }
        if (!listing->isValid()) {
            m_current = m_listings.size();
            return nullptr;
        }
        ++m_current;
    }
    return nullptr;
}

bool VirtualDirectory::rewind() {
    bool ok = true;
    for (Directory* listing : m_listings)
        ok = listing->rewind() && ok;
    m_keys.clear();
    m_current = 0;
    return ok;
}

} // namespace pel
