#include "pel/files/file_io/FileIO.h"
#include "service/base/WebApiService.h"
#include "support/ServiceRootFolders.h"
#include "ManagerTestSupport.h"

#include <windows.h>
#include <tlhelp32.h>

using namespace tessel;
using tessel_test::textOf;

namespace {

size_t threadCount() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    size_t count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId() ? 1 : 0;
    ::CloseHandle(snapshot);
    return count;
}

// A file of the driver below: its name, the name it is saved under, its bytes and the bytes saved
// after "// edited" is typed at its start.
struct DriverFile {
    const wchar_t *name, *target;
    std::string bytes, saved;
};

class ServiceRootTest : public testing::Test, public tessel_test::ServiceRootFolders {
protected:
    // The driver: open, reload, edit, save (under its name or another) and close the files
    // through the service root: each file keeps its encoding and line ending, a reload included;
    // nothing is left behind, neither documents nor threads nor temporary files.
    void openEditSaveReloadAndClose(const std::vector<DriverFile>& files);
};

// Records, as it goes, whether the client and Config are still there.
struct Probe {
    std::vector<std::wstring>& order;
    std::wstring name;
    std::weak_ptr<WebApiService> client;
    std::weak_ptr<Config> config;
    ~Probe() { order.push_back(name + (client.expired() || config.expired() ? L" after" : L" before")); }
};

struct ProbeServices : ParserServices {
    std::shared_ptr<Probe> probe;
};

} // namespace

TEST_F(ServiceRootTest, GoesInOrderListsLastFirstThenTheManagerTheClientAndConfig) {
    TesselService* root = TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    root->createWebApi(L"");
    std::vector<std::wstring> order;
    const auto probe = [&](const wchar_t* name) {
        return std::shared_ptr<Probe>(new Probe{order, name, root->getWebApi(), root->getConfigPointer()});
    };
    std::shared_ptr<ProbeServices> services = std::make_shared<ProbeServices>();
    services->probe = probe(L"manager");
    root->createDocumentManager(services);
    services.reset();
    const std::weak_ptr<WebApiService> client = root->getWebApi();
    const std::weak_ptr<Config> config = root->getConfigPointer();
    root->startupDelegates().add(this, [p = probe(L"1")](Config&) {});
    root->settingsDelegates().add(this, [p = probe(L"2")](Config&) {});
    root->closeQueryDelegates().add(this, [p = probe(L"3")] { return true; });
    root->closingDelegates().add(this, [p = probe(L"4")] {});
    root->exitDelegates().add(this, [p = probe(L"5")](int) {});
    delete root;
    EXPECT_EQ((std::vector<std::wstring>{L"5 before", L"4 before", L"3 before", L"2 before", L"1 before",
                                         L"manager before"}),
              order);
    EXPECT_TRUE(client.expired() && config.expired());
}

void ServiceRootTest::openEditSaveReloadAndClose(const std::vector<DriverFile>& fixtures) {
    const size_t threadsBefore = threadCount();
    for (const wchar_t* folder : {L"user", L"user\\docs"})
        ::CreateDirectoryW((base / folder).c_str(), nullptr);
    for (const auto& fixture : fixtures)
        base.write(std::wstring(L"user\\docs\\") + fixture.name, fixture.bytes);

    TesselService* root = TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    root->createWebApi(L"");
    root->createDocumentManager();
    {
        const std::shared_ptr<DocumentManager> manager = root->getDocumentManager();
        for (const auto& fixture : fixtures) {
            const std::wstring path = std::wstring(L"user:docs/") + fixture.name;
            const std::wstring target = std::wstring(L"user:docs/") + fixture.target;
            DocumentManager::FileError error;
            Document* document = manager->loadDocument(path.c_str(), &error);
            ASSERT_TRUE(document && !error) << path.c_str();
            EXPECT_TRUE(manager->reloadDocument(document, &error));
            tessel_test::typeAt(*document, 0, L"// edited\n");
            EXPECT_TRUE(manager->saveDocument(target.c_str(), document, &error) && !error);
            EXPECT_EQ(fixture.saved, base.read(std::wstring(L"user\\docs\\") + fixture.target));
            EXPECT_TRUE(manager->reloadDocument(document, &error));
            EXPECT_EQ(L"// edited\n", textOf(*document).substr(0, 10));
            EXPECT_EQ(document, manager->findDocument(target.c_str()));
        }
        manager->closeAllDocuments();
        EXPECT_TRUE(manager->getDocuments().empty());
    }
    delete root;
    releaseFileSystem();
    EXPECT_EQ(threadsBefore, threadCount()) << "every thread the service started has ended";
    const std::wstring temporary = base / (L"temp\\Tessel-" + std::to_wstring(::GetCurrentProcessId()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(temporary.c_str())) << "the temporary files went";
}

TEST_F(ServiceRootTest, OpensEditsSavesReloadsAndClosesLeavingNothingBehind) {
    openEditSaveReloadAndClose({
        {L"plain.txt", L"plain.txt", "one\r\ntwo\r\n", "// edited\r\none\r\ntwo\r\n"},
        {L"unix.c", L"unix.c", "int x;\n\tint y;\n", "// edited\nint x;\n\tint y;\n"},
        {L"wide.txt", L"wide.txt", std::string("\xFF\xFEh\0i\0", 6),
         std::string("\xFF\xFE/\0/\0 \0e\0d\0i\0t\0e\0d\0\r\0\n\0h\0i\0", 28)},
        {L"empty.txt", L"empty.txt", "", "// edited\r\n"},
    });
}

TEST_F(ServiceRootTest, AnAnsiFileOpensSavesUnderAnotherNameAndReloads) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the ANSI fixture needs code page 1252, this system uses " << ::GetACP();
    openEditSaveReloadAndClose({{L"ansi.txt", L"ansi copy.txt", "caf\xE9\r\n", "// edited\r\ncaf\xE9\r\n"}});
}
