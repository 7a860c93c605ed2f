#include "service/base/TesselService.h"

#include "pel/base/Exception.h"
#include "pel/files/file_io/FileIO.h"
#include "service/base/Config.h"
#include "service/base/WebApiService.h"
#include "support/LogCapture.h"
#include "support/ServiceRootFolders.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;

namespace {

int s_fileSystemCalls = 0;
bool s_fileSystemWorks = false;

bool stubFileSystem(Config&) {
    ++s_fileSystemCalls;
    return s_fileSystemWorks;
}
bool noSchema(Config&) { return true; }

// Stand-in steps unless a test asks for the real ones.
class TesselServiceTest : public testing::Test, public tessel_test::ServiceRootFolders {
protected:
    TesselServiceTest() {
        s_fileSystemCalls = 0;
        s_fileSystemWorks = true;
        TesselService::setSetupSteps({&stubFileSystem, &noSchema});
    }
};

} // namespace

TEST_F(TesselServiceTest, AFailedSetUpIsTriedAgainAndDeletingEmptiesTheSlot) {
    s_fileSystemWorks = false;
    tessel_test::LogCapture log;
    EXPECT_EQ(nullptr, TesselService::getInstance());
    EXPECT_EQ(nullptr, TesselService::findInstance());
    EXPECT_TRUE(log.lines().empty()) << "the failing step reports its own failure";
    s_fileSystemWorks = true;
    TesselService* root = TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(root, TesselService::getInstance());
    EXPECT_EQ(root, TesselService::findInstance());
    EXPECT_EQ(2, s_fileSystemCalls);
    delete root;
    EXPECT_EQ(nullptr, TesselService::findInstance());
}

TEST_F(TesselServiceTest, GettersNameTheMissingMemberAndCloseQueriesCanVeto) {
    TesselService* root = TesselService::getInstance();
    for (const wchar_t* member : {L"m_web_api", L"m_document_manager"}) {
        const std::wstring message = tessel_test::thrown<pel::NullPointerException>(
            [&] { member[2] == L'w' ? (void)root->getWebApi() : (void)root->getDocumentManager(); });
        EXPECT_NE(std::wstring::npos, message.find(std::wstring(member) + L" in file \"service/TesselService\"")) << message;
    }
    root->createWebApi(L"https://example.invalid/api");
    EXPECT_EQ(L"https://example.invalid/api", root->getWebApi()->getBaseAddress());

    // Every close-query entry is asked in turn until one answers false.
    int asked = 0;
    EXPECT_TRUE(root->queryClose());
    for (const bool answer : {true, false, true})
        root->closeQueryDelegates().add(&asked, [&asked, answer] { return ++asked, answer; });
    EXPECT_FALSE(root->queryClose());
    EXPECT_EQ(2, asked);
    std::vector<std::wstring> calls;
    root->startupDelegates().add(this, [&](Config& config) { calls.push_back(&config == &root->getConfig() ? L"start" : L"?"); });
    root->settingsDelegates().add(this, [&](Config&) { calls.push_back(L"settings"); });
    root->closingDelegates().add(this, [&] { calls.push_back(L"closing"); });
    root->exitDelegates().add(this, [&](int argument) { calls.push_back(L"exit " + std::to_wstring(argument)); });
    root->runStartup();
    root->runSettingsSaving();
    root->runClosing();
    root->runExit();
    root->exitDelegates().remove(this);
    root->runExit();
    EXPECT_EQ((std::vector<std::wstring>{L"start", L"settings", L"closing", L"exit 1"}), calls);
}

// A first start finds no configuration files, or a damaged one: it starts all the same.
TEST_F(TesselServiceTest, AFirstStartWithoutSettingsFilesSucceeds) {
    TesselService::setSetupSteps({&setUpOverFolders, nullptr});
    TesselService* root = TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(4, root->getConfig().findValue(L"app.indentation.recent.size")->getInt());
    EXPECT_TRUE(pel::FileIO::isDirectory(L"user:config"));
    const std::wstring processFolder = base / (L"temp\\Tessel-" + std::to_wstring(::GetCurrentProcessId()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(processFolder.c_str()));
    delete root;
    releaseFileSystem();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(processFolder.c_str())) << "removed at exit";

    // The startup file names the user folder (from the program's folder); a damaged file of the
    // user's only keeps its settings at their defaults.
    const std::string version = "{ version : '1 0 1 12e4b4c8' ";
    for (const wchar_t* folder : {L"root\\config", L"root\\elsewhere", L"root\\elsewhere\\config"})
        ::CreateDirectoryW((base / folder).c_str(), nullptr);
    base.write(L"root\\config\\startup.tsConfig", version + "app.startup : { user_dir : 'elsewhere' } }");
    base.write(L"root\\elsewhere\\config\\preferences.tsConfig", version + "app.indentation.recent : { size : ");
    root = TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(base / L"root\\elsewhere", getUserFolder());
    EXPECT_EQ(4, root->getConfig().findValue(L"app.indentation.recent.size")->getInt());
}
