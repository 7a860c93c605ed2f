#include "afw/data/afClipboard.h"
#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "afw/support/OleTest.h"
#include "support/LogCapture.h"

using namespace tessel_test;

namespace {

// Each test sets what it reads: the clipboard is the session's, and the suite holds its lock.
class ClipboardTest : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        m_owner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        ::DestroyWindow(m_owner);
        OleTest::TearDown();
    }
    // Another owner puts a block on the clipboard, as other programs do.
    void setBare(UINT format, HANDLE data) {
        ASSERT_TRUE(::OpenClipboard(m_owner));
        ::EmptyClipboard();
        ::SetClipboardData(format, data);
        ::CloseClipboard();
    }
    static std::wstring bareText() {
        afDataObjectText text;
        return afClipboard().get(&text) ? text.getText() : L"none";
    }
    static afDataObjectComposite* payload(const std::wstring& text, unsigned id) {
        auto* composite = new afDataObjectComposite;
        composite->add(new afDataObjectText(text), true);
        composite->add(new afDataObjectSelectionType(AF_FORMAT_EDITOR_SELECTION_TYPE, id), false);
        return composite;
    }

    HWND m_owner = nullptr;
    afClipboard m_clipboard;
};

TEST_F(ClipboardTest, TheEditorsPayloadReadsBackAsTextAndId) {
    ASSERT_TRUE(m_clipboard.put(payload(L"first\r\nline", 0x5A5A)));
    EXPECT_TRUE(m_clipboard.isFormatAvailable(afDataFormat::registered(AF_FORMAT_EDITOR_SELECTION_TYPE)));
    afDataObjectText text;
    afDataObjectSelectionType id(AF_FORMAT_EDITOR_SELECTION_TYPE);
    ASSERT_TRUE(m_clipboard.get(&text));
    ASSERT_TRUE(m_clipboard.get(&id));
    EXPECT_EQ(L"first\r\nline", text.getText());
    EXPECT_EQ(0x5A5Au, id.getValue());
    // The first format in the receiver's order wins.
    afDataObjectComposite both;
    both.add(new afDataObjectSelectionType(AF_FORMAT_EDITOR_SELECTION_TYPE), false);
    both.add(new afDataObjectText, false);
    ASSERT_TRUE(m_clipboard.get(&both));
    EXPECT_FALSE(both.getChild(0)->isEmpty());
    EXPECT_TRUE(both.getChild(1)->isEmpty());
}

TEST_F(ClipboardTest, OtherProgramsBlocksAreReadToTheirEndAndABitmapIsNoText) {
    setBare(CF_UNICODETEXT, globalOf(wideBytes(L"no end", false)));
    afDataObjectText text(L"old");
    ASSERT_TRUE(m_clipboard.get(&text));
    // Wine's clipboard itself writes a NUL into the block's last unit.
    EXPECT_GE(text.getLength(), 5u);
    EXPECT_EQ(std::wstring(L"no end").substr(0, text.getLength()), text.getText());

    setBare(CF_BITMAP, ::CreateBitmap(2, 2, 1, 32, nullptr));
    LogCapture log;
    EXPECT_FALSE(m_clipboard.get(&text));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(m_clipboard.isFormatAvailable(CF_BITMAP));
    EXPECT_FALSE(m_clipboard.isFormatAvailable(CF_UNICODETEXT));
}

TEST_F(ClipboardTest, AFailedPutLeavesTheObjectAndTheCurrentDataAsTheyWere) {
    EXPECT_FALSE(m_clipboard.put(nullptr));
    ASSERT_TRUE(m_clipboard.put(new afDataObjectText(L"kept")));
    afDataObjectText refused(L"refused");
    ASSERT_TRUE(::OpenClipboard(m_owner));
    LogCapture log;
    EXPECT_FALSE(m_clipboard.put(&refused));
    ::CloseClipboard();
    EXPECT_NE(nullptr, refused.getComObject()) << "still the caller's";
    EXPECT_TRUE(log.contains(L"(CLIPBRD_E_CANT_OPEN)\n", 1));
    EXPECT_TRUE(m_clipboard.clear()) << "the kept data is still the clipboard's";
}

TEST_F(ClipboardTest, ClearRendersOnlyTheProgramsOwnData) {
    {
        afClipboard clipboard;
        ASSERT_TRUE(clipboard.put(payload(L"outlives", 1)));
        EXPECT_TRUE(clipboard.clear());
        EXPECT_FALSE(clipboard.clear()) << "already let go";
    }
    EXPECT_EQ(L"outlives", bareText());

    ASSERT_TRUE(m_clipboard.put(new afDataObjectText(L"mine")));
    setBare(CF_UNICODETEXT, globalOf(wideBytes(L"theirs")));
    EXPECT_FALSE(m_clipboard.clear());
    EXPECT_EQ(L"theirs", bareText());
}

} // namespace
