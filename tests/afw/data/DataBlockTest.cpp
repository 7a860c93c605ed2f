#include "afw/data/afDataBlock.h"
#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "afw/support/OleTest.h"
#include "afw/support/TestViews.h"
#include "support/GuardedBytes.h"

#include <random>

using namespace tessel_test;

namespace {

TEST(DataBlockTest, ReadersStayInsideTheirBlock) {
    const struct {
        std::string bytes;
        uint32_t narrow, wide;
        bool dropFiles;
    } rows[] = {
        {"", 0, 0, false},
        {"abc", 3, 2, false},
        {std::string("ab\0c", 4), 2, 4, false},
        {std::string("a\0b\0", 4), 1, 4, false},
        {std::string("a\0\0\0", 4), 1, 2, false},
        {dropFiles(20, true, std::string("a\0\0\0\0\0", 6)), 0, 0, true},
        {dropFiles(20, true, std::string("a\0\0\0\0", 5)), 0, 0, false},
        {dropFiles(20, false, std::string("a\0\0", 3)), 0, 0, true},
        {dropFiles(20, false, std::string("a\0", 2)), 0, 0, false},
        {dropFiles(22, true, std::string("xxa\0\0\0\0\0", 8)), 0, 0, true},
        {dropFiles(23, true, std::string("xxxa\0\0\0\0", 8)), 0, 0, false},
        {dropFiles(24, true, std::string("xxxxa\0\0\0\0\0", 10)), 0, 0, true},
        {dropFiles(24, true, std::string("\0\0\0\0", 4)), 0, 0, false},
        {dropFiles(0xFFFFFFFF, true, std::string(8, '\0')), 0, 0, false},
        {std::string(19, '\0'), 0, 0, false},
    };
    for (const auto& row : rows) {
        const GuardedBytes guarded(row.bytes);
        const size_t size = row.bytes.size();
        if (size < 20) {
            EXPECT_EQ(row.narrow, afDataBlock::narrowTextSize(guarded.data(), size)) << (&row - rows);
            EXPECT_EQ(row.wide, afDataBlock::wideTextSize(guarded.data(), size)) << (&row - rows);
        }
        EXPECT_EQ(row.dropFiles, afDataBlock::isDropFiles(guarded.data(), size)) << (&row - rows);
    }
}

// Random SetData calls of every format, medium type, size and content against receivers of
// every kind: nothing escapes, and each block is freed by exactly one side.
using SetDataFuzzTest = OleTest;

TEST_F(SetDataFuzzTest, RandomCallsLeaveNoBlockBehind) {
    afDataObjectComposite receiver;
    receiver.add(new afDataObjectText, false);
    receiver.add(new afDataObjectFiles, false);
    receiver.add(new afDataObjectSelectionType(AF_FORMAT_EDITOR_SELECTION_TYPE), false);
    receiver.add(new afDataObjectScalar<int*>(AF_FORMAT_DOCK_SLOT), false);
    const CLIPFORMAT formats[] = {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT, CF_HDROP, CF_METAFILEPICT, CF_BITMAP, CF_DIB,
                                  CF_ENHMETAFILE, afDataFormat::registered(AF_FORMAT_EDITOR_SELECTION_TYPE).getFormat(),
                                  afDataFormat::registered(AF_FORMAT_DOCK_SLOT).getFormat()};
    const DWORD media[] = {TYMED_HGLOBAL, TYMED_MFPICT, TYMED_GDI, TYMED_ENHMF, TYMED_ISTREAM, TYMED_NULL};
    std::mt19937 random(47);
    ErrorRecorder errors;
    for (int call = 0; call < 10000; ++call) {
        const CLIPFORMAT format = formats[random() % 10];
        STGMEDIUM medium = STGMEDIUM();
        medium.tymed = media[random() % 6];
        std::string bytes(1 + random() % 64, '\0');
        for (char& byte : bytes)
            byte = random() % 3 ? static_cast<char>(random()) : 0;
        if (format == CF_HDROP && random() % 2)
            bytes = dropFiles(random() % 2 ? 20 : random() % 80, random() % 2, bytes);
        const bool global = medium.tymed == TYMED_HGLOBAL || medium.tymed == TYMED_MFPICT;
        const HGLOBAL block = global ? globalOf(bytes) : nullptr;
        medium.hGlobal = block;
        FORMATETC what = request(format, medium.tymed);
        const BOOL release = random() % 2;
        const HRESULT result = receiver.getComObject()->SetData(&what, &medium, release);
        ASSERT_TRUE(result == S_OK || result == E_UNEXPECTED || result == DV_E_FORMATETC || result == DV_E_TYMED)
            << call << ": " << std::hex << result;
        if (!global)
            continue;
        // A block handed over with release to a receiver that took it is the receiver's to
        // free; any other stays the caller's.
        const bool freedByReceiver = result == S_OK && release;
        ASSERT_EQ(freedByReceiver, ::GlobalFlags(block) == GMEM_INVALID_HANDLE) << call;
        if (!freedByReceiver)
            ::GlobalFree(block);
    }
    EXPECT_TRUE(errors.texts.empty());
}

} // namespace
