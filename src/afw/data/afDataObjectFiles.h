#pragma once
// A data object of an ordered list of paths, offered and taken as a file drop (CF_HDROP): a
// DROPFILES header of 20 bytes, then each wide path with its NUL, then one more NUL.

#include "afw/data/afDataObject.h"

#include <string>
#include <vector>

class afDataObjectFiles : public afDataObjectSimple {
public:
    afDataObjectFiles();

    // A null or empty path is left out.
    void addFile(const wchar_t* path);
    const std::vector<std::wstring>& getFiles() const { return m_files; }

    using afDataObjectSimple::getData;
    using afDataObjectSimple::setData;
    uint32_t getSize() const override;
    // False for an empty list. The drop point (offsets 4 and 8) is left as the buffer holds it.
    bool getData(void* buffer) const override;
    // data is the drop handle (a global block that holds a DROPFILES record).
    bool setData(uint32_t size, const void* data) override;
    void clear() override;

private:
    std::vector<std::wstring> m_files;
};
