#include "service/base/TesselService.h"

#include "pel/base/Exception.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/base/Config.h"
#include "service/base/ServiceSetup.h"
#include "service/base/WebApiService.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;

namespace {

int s_fileSystemCalls = 0;
bool s_fileSystemWorks = false;
tessel_test::TempFolder* s_base = nullptr;

bool stubFileSystem(Config&) {
    ++s_fileSystemCalls;
    return s_fileSystemWorks;
}
bool noSchema(Config&) { return true; }
// The real set-up over folders of the test: "root", "user" (made by the set-up) and "temp".
bool folderFileSystem(Config& config) {
    return setupFileSystem(config, {*s_base / L"root", *s_base / L"user", *s_base / L"appdata", *s_base / L"temp"});
}

class TesselServiceTest : public testing::Test {
protected:
    TesselServiceTest() {
        pel::store_main_thread_id();
        registry.initRegistry(::GetModuleHandleW(nullptr));
        s_base = &base;
        s_fileSystemCalls = 0;
        s_fileSystemWorks = true;
        TesselService::setSetupSteps({&stubFileSystem, &noSchema});
    }
    ~TesselServiceTest() override {
        delete TesselService::findInstance();
        TesselService::setSetupSteps({nullptr, nullptr});
        releaseFileSystem();
        registry.releaseRegistry();
    }

    pel::MessageRegistry registry;
    tessel_test::TempFolder base;
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

TEST_F(TesselServiceTest, GettersNameTheMemberThatIsMissing) {
    TesselService* root = TesselService::getInstance();
    const auto message = [](const std::function<void()>& get) {
        try {
            get();
        } catch (const pel::NullPointerException& e) {
            return e.displayText();
        }
        return std::wstring(L"nothing thrown");
    };
    for (const auto& member : {std::wstring(L"m_web_api"), std::wstring(L"m_document_manager")}) {
        const std::wstring text = message([&] { member == L"m_web_api" ? (void)root->getWebApi() : (void)root->getDocumentManager(); });
        EXPECT_NE(std::wstring::npos, text.find(member)) << text;
        EXPECT_NE(std::wstring::npos, text.find(L"service/TesselService")) << text;
    }
    root->createWebApi(L"https://example.invalid/api");
    EXPECT_EQ(L"https://example.invalid/api", root->getWebApi()->getBaseAddress());
}

TEST_F(TesselServiceTest, DelegateListsRunInOrderAndAnyCloseQueryVetoes) {
    TesselService* root = TesselService::getInstance();
    std::vector<std::wstring> calls;
    const struct {
        std::vector<bool> answers;
        bool closes;
        size_t asked;
    } cases[] = {{{}, true, 0}, {{true, true}, true, 2}, {{true, false, true}, false, 2}};
    for (const auto& c : cases) {
        Query<>& query = root->closeQueryDelegates();
        size_t asked = 0;
        const int owners[3] = {};
        for (size_t i = 0; i < c.answers.size(); ++i)
            query.add(&owners[i], [&asked, answer = c.answers[i]] { return ++asked, answer; });
        EXPECT_EQ(c.closes, root->queryClose());
        EXPECT_EQ(c.asked, asked);
        for (size_t i = 0; i < c.answers.size(); ++i)
            query.remove(&owners[i]);
    }
    root->startupDelegates().add(this, [&](Config& config) {
        EXPECT_EQ(&root->getConfig(), &config);
        calls.push_back(L"start");
    });
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
    TesselService::setSetupSteps({&folderFileSystem, nullptr});
    ASSERT_TRUE(::CreateDirectoryW((base / L"root").c_str(), nullptr) && ::CreateDirectoryW((base / L"temp").c_str(), nullptr));
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
