#pragma once
// The OLE tests' pieces: a fixture that initialises OLE on the test thread, requests as the
// system's callers make them, and global blocks of given bytes.

#include <gtest/gtest.h>

#include <ole2.h>

#include <cstring>
#include <string>

namespace tessel_test {

class OleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};

inline FORMATETC request(CLIPFORMAT format, DWORD tymed = TYMED_HGLOBAL) {
    return {format, nullptr, DVASPECT_CONTENT, -1, tymed};
}

inline std::string wideBytes(const std::wstring& text, bool nul = true) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + (nul ? 1 : 0)) * 2);
}

// A DROPFILES header (no drop point) before the list.
inline std::string dropFiles(uint32_t listOffset, bool wide, const std::string& list) {
    std::string header(20, '\0');
    std::memcpy(&header[0], &listOffset, 4);
    header[16] = wide;
    return header + list;
}

inline HGLOBAL globalOf(const std::string& bytes) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(::GlobalLock(block), bytes.data(), bytes.size());
    ::GlobalUnlock(block);
    return block;
}

// SetData of a block of the bytes, handed over as the system does; a refused block is freed.
inline HRESULT setBytes(IDataObject* object, CLIPFORMAT format, const std::string& bytes) {
    FORMATETC what = request(format);
    STGMEDIUM medium = STGMEDIUM();
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = globalOf(bytes);
    const HRESULT result = object->SetData(&what, &medium, TRUE);
    if (result != S_OK)
        ::GlobalFree(medium.hGlobal);
    return result;
}

inline std::string error(HRESULT result) { return "error " + std::to_string(static_cast<unsigned long>(result)); }

// GetData's bytes, or error(code).
inline std::string getBytes(IDataObject* object, CLIPFORMAT format) {
    FORMATETC what = request(format);
    STGMEDIUM medium = STGMEDIUM();
    const HRESULT result = object->GetData(&what, &medium);
    if (result != S_OK)
        return error(result);
    std::string bytes(static_cast<const char*>(::GlobalLock(medium.hGlobal)), ::GlobalSize(medium.hGlobal));
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    return bytes;
}

} // namespace tessel_test
