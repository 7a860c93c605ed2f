#include "afw/control/afControlEdit.h"
#include "afw/control/afControlHTML.h"
#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "platform/htmlayout/HtmLayoutApi.h"
#include "platform/htmlayout/HtmlText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace tessel_test;

namespace {

void countChange(void* count, afControlEdit*) {
    ++*static_cast<int*>(count);
}

class EditAndHtmlTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(0, 0, 400, 300));
    }
    std::unique_ptr<afTestWindow> window;
};

TEST_F(EditAndHtmlTest, ASingleLineEditLeavesTabAndEnterToTheDialog) {
    afControlEdit* line = afControlEdit::createInstance(window.get(), 0);
    afControlEdit* area = afControlEdit::createInstance(window.get(), afControlEdit::OPTION_VERTICAL_SCROLL);
    line->setFrame(afRect(0, 0, 200, 40));
    const LONG lineStyle = ::GetWindowLongW(line->getHandle(), GWL_STYLE);
    EXPECT_TRUE(lineStyle & ES_AUTOHSCROLL);
    EXPECT_FALSE(lineStyle & WS_VSCROLL);
    EXPECT_TRUE(::GetWindowLongW(area->getHandle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(0x89, ::SendMessageW(line->getHandle(), WM_GETDLGCODE, 0, 0));
    EXPECT_NE(0x89, ::SendMessageW(area->getHandle(), WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(4, line->getPadding().left);

    // One line of text, centred in the client area less the padding.
    RECT format;
    ::SendMessageW(line->getHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    RECT client;
    ::GetClientRect(line->getHandle(), &client);
    const int lineHeight = format.bottom - format.top;
    EXPECT_NEAR((client.bottom - 4 - lineHeight) / 2 + 2, format.top, 1);
    EXPECT_GE(format.left, 4) << "the padding, and the control's own margin";
}

TEST_F(EditAndHtmlTest, KeysAndListeners) {
    afControlEdit* edit = afControlEdit::createInstance(window.get(), 0);
    int first = 0, second = 0;
    edit->addListener(afControlEdit::Listener::fromFunction(&first, &countChange));
    edit->addListener(afControlEdit::Listener::fromFunction(&second, &countChange));
    edit->setText(L"hello");
    // What the user types: the platform tells of each change.
    for (const wchar_t* typed : {L" world", L"!", L""})
        ::SendMessageW(edit->getHandle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed));
    EXPECT_EQ(2, first) << "an empty replacement changes nothing";
    EXPECT_EQ(2, second);
    edit->setText(nullptr);
    edit->setText(L"again");

    const struct {
        uint32_t combination;
        bool consumed;
        int selectionEnd;
    } keys[] = {{afKeyEvent::CTRL | 'A', true, 5}, {afKeyEvent::CTRL | afKeyEvent::SHIFT | 'A', false, 0}, {'A', false, 0}};
    for (const auto& k : keys) {
        edit->setSelection(0, 0);
        afKeyEvent event;
        event.combination = k.combination;
        EXPECT_EQ(k.consumed, edit->onKeyDown(event)) << std::hex << k.combination;
        int start = -1, end = -1;
        edit->getSelection(start, end);
        EXPECT_EQ(k.selectionEnd, end);
    }
    auto takeAll = [](void*, afControlEdit*, afKeyEvent&) { return true; };
    edit->setKeyDelegate(afControlEdit::KeyDelegate::fromFunction(nullptr, takeAll));
    afKeyEvent event;
    event.combination = afKeyEvent::CTRL | 'A';
    edit->setSelection(0, 0);
    EXPECT_TRUE(edit->onKeyDown(event));
    int start = -1, end = -1;
    edit->getSelection(start, end);
    EXPECT_EQ(0, end) << "the delegate came first and took it";
}

TEST(HtmlText, TheTextContentOfDocuments) {
    const struct {
        const char* html;
        const wchar_t* text;
    } cases[] = {
        {"<p>a &amp; b</p>", L"a & b"},
        {"<p>one</p><p>two</p>", L"one\n\ntwo"},
        {"a<br>b<br/><br>c", L"a\nb\n\nc"},
        {"  lots   of\n\t blanks  ", L"lots of blanks"},
        {"x<script>var a = '<p>no</p>';</script>y<style>p { }</style>z<!-- hidden <b> -->!", L"xyz!"},
        {"&lt;tag&gt; &quot;q&quot; &apos;s&apos; a&nbsp;b", L"<tag> \"q\" 's' a\u00A0b"},
        {"&#x1F600;&#65;&#x42;", L"\U0001F600AB"},
        {"&#0;&#xD800;&#1114112;", L"\uFFFD\uFFFD\uFFFD"},
        {"&unknown; &amp &#xZZ;", L"&unknown; &amp &#xZZ;"},
        {"\xEF\xBB\xBFok \xC3\xA9 \xFF \xE2\x82 x", L"ok \u00E9 \uFFFD \uFFFD x"},
        {"\xED\xA0\x80 \xC0\xAF", L"\uFFFD \uFFFD\uFFFD"},
        {"text <b unclosed", L"text"},
        {"<SCRIPT>x</Script >shown", L"shown"},
    };
    for (const auto& c : cases) {
        const std::string bytes(c.html);
        EXPECT_EQ(std::wstring(c.text),
                  htmlayout::documentText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
            << c.html;
    }
}

TEST(HtmlText, RandomAndTruncatedDocumentsLoad) {
    const char* pieces[] = {"<p>", "</p>", "<br>", "&amp;", "&#x", "&#", ";", "<script>", "</script>", "<!--",
                            "-->", "<", ">", "\xC3", "\xA9", "\xF0\x9F\x98", "text ", "\xFF", "&", "\n"};
    std::mt19937 engine(1234);
    const auto below = [&engine](size_t bound) { return static_cast<size_t>(engine() % bound); };
    for (int i = 0; i < 10000; ++i) {
        std::string document;
        const int count = static_cast<int>(below(40));
        for (int k = 0; k < count; ++k)
            document += pieces[below(sizeof pieces / sizeof pieces[0])];
        document.resize(below(document.size() + 1));
        const std::wstring text =
            htmlayout::documentText(reinterpret_cast<const unsigned char*>(document.data()), document.size());
        ASSERT_LE(text.size(), document.size() * 2) << i;
    }
}

// The view's window painted, and the extracted text drawn as the view draws it.
void compareWithDrawText(HWND view, const std::wstring& text) {
    RECT client;
    ::GetClientRect(view, &client);
    DibSurface painted(client.right, client.bottom), expected(client.right, client.bottom);
    ::UpdateWindow(view);
    ::SendMessageW(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted.dc()), PRF_CLIENT);
    ::FillRect(expected.dc(), &client, ::GetSysColorBrush(COLOR_WINDOW));
    ::SelectObject(expected.dc(), ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(expected.dc(), ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkMode(expected.dc(), TRANSPARENT);
    RECT inner = {8, 8, client.right - 8, client.bottom - 8};
    ::DrawTextW(expected.dc(), text.c_str(), static_cast<int>(text.size()), &inner, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    int differing = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            differing += painted.rgb(x, y) != expected.rgb(x, y);
    EXPECT_EQ(0, differing);
    EXPECT_GT(painted.count(client, DibSurface::pixelOf(::GetSysColor(COLOR_WINDOWTEXT))), 0) << "text was drawn";
}

TEST_F(EditAndHtmlTest, TheHtmlViewPaintsTheTextItLoaded) {
    afControlHTML* html = afControlHTML::createInstance(window.get());
    ASSERT_NE(nullptr, html);
    ::SetWindowPos(html->getHandle(), nullptr, 0, 0, 200, 120, SWP_NOZORDER | SWP_SHOWWINDOW);
    html->setText(L"<h1>Release notes</h1><p>Tessel now shows &lt;HTML&gt; as plain text, wrapped at the edge.</p>");
    ASSERT_TRUE(html->loadHtml());
    compareWithDrawText(html->getHandle(),
                        L"Release notes\n\nTessel now shows <HTML> as plain text, wrapped at the edge.");

    const BYTE bytes[] = "x";
    EXPECT_FALSE(HTMLayoutLoadHtml(window->getHandle(), bytes, 1)) << "another class";
    EXPECT_FALSE(HTMLayoutLoadHtml(html->getHandle(), nullptr, 1));
    EXPECT_FALSE(HTMLayoutLoadHtml(html->getHandle(), bytes, (16u << 20) + 1));
    EXPECT_TRUE(HTMLayoutLoadHtml(html->getHandle(), nullptr, 0));
}

} // namespace
