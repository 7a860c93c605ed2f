#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "afw/support/OleTest.h"
#include "afw/support/TestViews.h"
#include "support/LogCapture.h"

#include <stdexcept>

using namespace tessel_test;

namespace {

using DataObjectTest = OleTest;

TEST_F(DataObjectTest, TextScalarAndCompositeOfferAndTakeTheirFormats) {
    afDataObjectText text(L"abc");
    EXPECT_EQ(8u, text.getDataSize(CF_UNICODETEXT));
    EXPECT_EQ(wideBytes(L"abc"), getBytes(text.getComObject(), CF_UNICODETEXT));
    afDataObjectSelectionType scalar(AF_FORMAT_EDITOR_SELECTION_TYPE);
    const afDataFormat selectionType = afDataFormat::registered(AF_FORMAT_EDITOR_SELECTION_TYPE);
    for (uint32_t size : {0u, 3u, 5u})
        EXPECT_FALSE(scalar.setData(selectionType, size, "\1\2\3\4\5")) << size;

    afDataObjectComposite composite;
    composite.add(new afDataObjectText(L"x"), false);
    composite.add(new afDataObjectSelectionType(AF_FORMAT_EDITOR_SELECTION_TYPE, 9), false);
    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(S_OK, composite.getComObject()->EnumFormatEtc(DATADIR_GET, &formats));
    FORMATETC got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, formats->Next(3, got, &fetched));
    EXPECT_EQ(2u, fetched);
    EXPECT_EQ((std::vector<CLIPFORMAT>{CF_UNICODETEXT, selectionType.getFormat()}),
              std::vector<CLIPFORMAT>({got[0].cfFormat, got[1].cfFormat}));
    formats->Reset();
    EXPECT_EQ(S_FALSE, formats->Skip(2)) << "it would reach the end";
    EXPECT_EQ(S_OK, formats->Next(1, got, nullptr));
    EXPECT_EQ(CF_UNICODETEXT, got[0].cfFormat) << "Skip stayed where it was";
    formats->Release();
    EXPECT_EQ(std::string("\x09\0\0\0", 4), getBytes(composite.getComObject(), selectionType.getFormat()));
    EXPECT_EQ(error(DV_E_FORMATETC), getBytes(composite.getComObject(), CF_HDROP));
}

// A receiver is used for one drop after another: clear leaves nothing of the last payload.
TEST_F(DataObjectTest, ClearEmptiesThePayloadAndTheLastFormatTaken) {
    auto* text = new afDataObjectText(L"old words");
    auto* files = new afDataObjectFiles;
    files->addFile(L"C:\\old.txt");
    const afDataFormat selectionType = afDataFormat::registered(AF_FORMAT_EDITOR_SELECTION_TYPE);
    auto* scalar = new afDataObjectSelectionType(AF_FORMAT_EDITOR_SELECTION_TYPE, 7);
    afDataObjectComposite composite;
    composite.add(text, true);
    composite.add(files, false);
    composite.add(scalar, false);
    composite.setData(CF_UNICODETEXT, 4, L"n");
    EXPECT_EQ(afDataFormat(CF_UNICODETEXT), composite.getLastSetFormat());
    composite.clear();
    EXPECT_TRUE(composite.isEmpty());
    EXPECT_EQ(afDataFormat(), composite.getLastSetFormat());
    EXPECT_EQ(L"", text->getText());
    EXPECT_TRUE(files->getFiles().empty());
    EXPECT_EQ(0u, scalar->getValue());
    EXPECT_EQ(2u, text->getDataSize(CF_UNICODETEXT)) << "the terminating NUL alone";
    std::vector<char> block(64);
    EXPECT_FALSE(files->getData(CF_HDROP, block.data())) << "an empty list is not offered";
    EXPECT_TRUE(scalar->getData(selectionType, block.data()));
    EXPECT_EQ(std::string(4, '\0'), std::string(block.data(), 4));
}

TEST_F(DataObjectTest, QueryGetDataChecksInOrder) {
    afDataObjectText text(L"abc");
    FORMATETC lindex = request(CF_HDROP, TYMED_ISTREAM), aspect = lindex, unknown = lindex, stream = lindex;
    lindex.lindex = 0;
    lindex.dwAspect = aspect.dwAspect = DVASPECT_ICON;
    stream.cfFormat = CF_UNICODETEXT;
    FORMATETC good = request(CF_UNICODETEXT, TYMED_HGLOBAL | TYMED_ISTREAM);
    const struct {
        FORMATETC* format;
        HRESULT expected;
    } rows[] = {{nullptr, E_INVALIDARG}, {&lindex, DV_E_LINDEX},   {&aspect, DV_E_DVASPECT},
                {&unknown, DV_E_FORMATETC}, {&stream, DV_E_TYMED}, {&good, S_OK}};
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, text.getComObject()->QueryGetData(row.format)) << (&row - rows);
}

TEST_F(DataObjectTest, TextAndFileBlocksAreReadOnlyInsideThemselves) {
    const std::string list = wideBytes(L"C:\\a.txt") + wideBytes(L"D:\\b") + std::string(2, '\0');
    afDataObjectFiles files;
    EXPECT_EQ(error(E_UNEXPECTED), getBytes(files.getComObject(), CF_HDROP)) << "no paths";
    for (const wchar_t* path : {L"C:\\a.txt", L"", L"D:\\b"})
        files.addFile(path);
    EXPECT_EQ(dropFiles(20, true, list), getBytes(files.getComObject(), CF_HDROP));

    const struct {
        CLIPFORMAT format;
        std::string block;
        HRESULT result;
        std::vector<std::wstring> read;
    } rows[] = {
        {CF_UNICODETEXT, wideBytes(L"abc", false), S_OK, {L"abc"}},
        {CF_UNICODETEXT, wideBytes(L"abc", false) + "d", S_OK, {L"abc"}},
        {CF_UNICODETEXT, wideBytes(std::wstring(L"ab\0cd", 5)), S_OK, {L"ab"}},
        {CF_HDROP, dropFiles(20, true, list), S_OK, {L"C:\\a.txt", L"D:\\b"}},
        {CF_HDROP, dropFiles(20, false, std::string("x.txt\0yz\0\0", 10)), S_OK, {L"x.txt", L"yz"}},
        {CF_HDROP, dropFiles(200, true, list), E_UNEXPECTED, {}},
        {CF_HDROP, dropFiles(20, true, list.substr(0, list.size() - 2)), E_UNEXPECTED, {}},
        {CF_HDROP, std::string(19, '\0'), E_UNEXPECTED, {}},
    };
    for (const auto& row : rows) {
        afDataObjectText text;
        afDataObjectFiles files;
        afDataObject& receiver = row.format == CF_HDROP ? static_cast<afDataObject&>(files) : text;
        EXPECT_EQ(row.result, setBytes(receiver.getComObject(), row.format, row.block)) << (&row - rows);
        EXPECT_EQ(row.read, row.format == CF_HDROP ? files.getFiles() : std::vector<std::wstring>{text.getText()})
            << (&row - rows);
    }
}

TEST_F(DataObjectTest, MediaAreCheckedBeforeTheyAreWritten) {
    afDataObjectText text(L"abcdef");
    FORMATETC what = request(CF_UNICODETEXT);
    STGMEDIUM medium = STGMEDIUM();
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, 8);
    EXPECT_EQ(STG_E_MEDIUMFULL, text.getComObject()->GetDataHere(&what, &medium));
    medium.tymed = TYMED_ISTREAM;
    EXPECT_EQ(DV_E_TYMED, text.getComObject()->SetData(&what, &medium, TRUE));
    ::GlobalFree(medium.hGlobal);
    // A bitmap nobody takes stays the caller's.
    medium.tymed = TYMED_GDI;
    medium.hBitmap = ::CreateBitmap(1, 1, 1, 1, nullptr);
    EXPECT_EQ(E_UNEXPECTED, text.getComObject()->SetData(&what, &medium, TRUE));
    EXPECT_TRUE(::DeleteObject(medium.hBitmap));
}

TEST_F(DataObjectTest, PointerPayloadsAreTakenOnlyFromThisProcesssDrag) {
    int slot = 0, other = 0;
    int* pointer = &slot;
    const std::string bytes(reinterpret_cast<const char*>(&pointer), 4);
    const CLIPFORMAT format = afDataFormat::registered(AF_FORMAT_DOCK_SLOT).getFormat();
    afDataObjectScalar<int*> receiver(AF_FORMAT_DOCK_SLOT), otherDrag(AF_FORMAT_DOCK_SLOT, &other);
    afDataObjectComposite thisDrag;
    thisDrag.add(new afDataObjectScalar<int*>(AF_FORMAT_DOCK_SLOT, &slot), false);
    EXPECT_EQ(E_UNEXPECTED, setBytes(receiver.getComObject(), format, bytes)) << "no drag";
    {
        const afDragScope drag(&otherDrag);
        EXPECT_EQ(E_UNEXPECTED, setBytes(receiver.getComObject(), format, bytes)) << "another pointer";
    }
    const afDragScope drag(&thisDrag);
    EXPECT_EQ(S_OK, setBytes(receiver.getComObject(), format, bytes));
    EXPECT_EQ(&slot, receiver.getValue());
}

class Watched : public afDataObjectText {
public:
    explicit Watched(bool* deleted) : afDataObjectText(L"w"), m_deleted(deleted) {}
    ~Watched() override { *m_deleted = true; }
    uint32_t getSize() const override {
        if (throws == 1)
            throw std::bad_alloc();
        if (throws == 2)
            throw std::runtime_error("broken");
        return afDataObjectText::getSize();
    }
    int throws = 0;

private:
    bool* m_deleted;
};

TEST_F(DataObjectTest, ComObjectsOutliveTheirDataObjectsAndStopEveryException) {
    bool deleted = false;
    auto* held = new Watched(&deleted);
    IDataObject* com = held->getComObject();
    com->AddRef();
    held->detach();
    EXPECT_EQ(nullptr, held->getComObject());
    EXPECT_FALSE(deleted) << "the test still holds the COM object";
    EXPECT_EQ(wideBytes(L"w"), getBytes(com, CF_UNICODETEXT));
    com->Release();
    EXPECT_TRUE(deleted) << "deleted at the last Release";

    auto* gone = new afDataObjectText(L"x");
    com = gone->getComObject();
    com->AddRef();
    delete gone;
    EXPECT_EQ(error(E_UNEXPECTED), getBytes(com, CF_UNICODETEXT));
    EXPECT_EQ(E_UNEXPECTED, setBytes(com, CF_UNICODETEXT, wideBytes(L"y")));
    EXPECT_EQ(0u, com->Release());

    Watched object(&deleted);
    ErrorRecorder errors;
    object.throws = 1;
    EXPECT_EQ(error(E_OUTOFMEMORY), getBytes(object.getComObject(), CF_UNICODETEXT));
    object.throws = 2;
    EXPECT_EQ(error(E_UNEXPECTED), getBytes(object.getComObject(), CF_UNICODETEXT));
    EXPECT_EQ(std::vector<std::wstring>{L"std::exception"}, errors.texts) << "one line, for the unexpected one";
    EXPECT_EQ(E_INVALIDARG, object.getComObject()->SetData(nullptr, nullptr, FALSE));
    EXPECT_EQ(E_POINTER, object.getComObject()->EnumFormatEtc(DATADIR_GET, nullptr));
    LogCapture log;
    EXPECT_EQ(afDataFormat(), afDataFormat::registered(nullptr));
    EXPECT_TRUE(log.contains(L"afDataFormat::setFormat(): Unable to register custom format `NULL`\n", 1));
}

} // namespace
