#include "pel/base/Assert.h"
#include "pel/files/Path.h"

#include <gtest/gtest.h>

using namespace pel;

using Dirs = std::vector<std::wstring>;

TEST(Path, UncDriveAndRelativeForms) {
    Path unc(L"\\\\srv\\share\\a\\b.txt");
    EXPECT_EQ(L"srv", unc.node());
    EXPECT_EQ((Dirs{L"share", L"a"}), unc.directories());
    EXPECT_EQ(L"b.txt", unc.name());
    EXPECT_TRUE(unc.isAbsolute());

    Path share(L"\\\\server\\share");
    EXPECT_EQ((Dirs{L"share"}), share.directories());
    EXPECT_EQ(L"", share.name());

    Path drive(L"C:/x/./y");
    EXPECT_EQ(L"C", drive.device());
    EXPECT_EQ((Dirs{L"x"}), drive.directories());
    EXPECT_EQ(L"y", drive.name());

    Path relative(L"a\\..\\..\\b");
    EXPECT_FALSE(relative.isAbsolute());
    EXPECT_EQ((Dirs{L".."}), relative.directories());
    EXPECT_EQ(L"b", relative.name());

    Path rooted(L"\\..\\x");
    EXPECT_TRUE(rooted.isAbsolute());
    EXPECT_TRUE(rooted.directories().empty());
    EXPECT_EQ(L"x", rooted.name());

    Path dir(L"dir\\");
    EXPECT_EQ((Dirs{L"dir"}), dir.directories());
    EXPECT_EQ(L"", dir.name());

    Path empty(L"");
    EXPECT_FALSE(empty.isAbsolute());
    EXPECT_TRUE(empty.directories().empty());
}

TEST(Path, MalformedTextsAreRefusedWithTheWholeText) {
    for (const wchar_t* bad : {L"1:\\x", L"\\C:\\x", L"C:", L"C:x"}) {
        try {
            Path path(bad);
            ADD_FAILURE() << "accepted";
        } catch (const PathSyntaxException& e) {
            EXPECT_EQ(bad, e.message);
            EXPECT_STREQ(L"PathSyntaxException", e.name());
        }
    }
    EXPECT_THROW(Path(nullptr), AssertionViolationException);

    // A failed parse leaves nothing of the previous path behind.
    Path reused(L"C:\\a\\b");
    EXPECT_THROW(reused.assign(L"C:"), PathSyntaxException);
    EXPECT_TRUE(reused.directories().empty());
}
