// Bundle loading. A generated tree of 100 bundles and 1 500 entry files (grammars, snippets,
// themes and preferences) over the root, user and changes layers, loaded by a BundleManager from
// load() to onLoadFinished (median of the runs; target under 1 s), and the UI-thread time of
// installLoaded (median; target under 100 ms). Type managers that take every entry stand in for
// those not built yet. Beside it, in the same run, the host peer walks a JSON twin of the same
// entries and parses each file (bench/bundles/load_peer.py); its seconds come in through
// --peer-seconds and the ratio is printed.
//   bundle_load_bench --folder DIR [--runs 5] [--peer-seconds S]
// With --write-only 1 the trees are written (where missing) and nothing is timed.

#include "bundles/BundleManager.h"

#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afStockResources.h"
#include "service/base/Config.h"
#include "service/base/ServiceSetup.h"
#include "service/base/TesselService.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleItem.h"

#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "support/Bench.h"
#include "support/FileBench.h"
#include "support/MessagePump.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace tessel;

namespace {

constexpr int BUNDLES = 100;
constexpr int ENTRIES = 1500;

std::wstring s_folder; // the benchmark's folder, which the service root is set up over

// An item of any type, as the stand-in managers make them.
struct BenchItem : BundleItem {
    explicit BenchItem(const BundleEntryTraits& i_traits) : traits(i_traits) {}
    const BundleEntryTraits& getTraits() const override { return traits; }
    const BundleEntryTraits& traits;
};

class TakeEverything : public BundleEntryManager {
public:
    explicit TakeEverything(const BundleEntryTraits& traits) : m_traits(traits) {}
    BundleEntryPtr createEntry() override { return BundleEntryPtr(new BenchItem(m_traits), false); }
    const BundleEntryTraits& getEntryTraits() const override { return m_traits; }
    bool install(BundleEntry&) override { return true; }
    bool uninstall(BundleEntry&) override { return true; }
    BundleEntryEditorFactory getEditorFactory(BundleEntry&) const override { return nullptr; }
    void beginEntryChange(BundleEntry&) override {}
    void endEntryChange(BundleEntry&, bool) override {}

private:
    const BundleEntryTraits& m_traits;
};

std::wstring uuidText(uint32_t kind, uint32_t n) {
    pel::UUID uuid;
    uuid.data1 = kind;
    uuid.data2 = static_cast<uint16_t>(n);
    uuid.data4[7] = 1;
    return uuid.toString();
}

// One entry's members, written as Jasmine (the entry file) and as JSON (the peer's twin).
std::string entryText(int n, bool json) {
    const auto key = [json](const char* name) { return json ? "\"" + std::string(name) + "\"" : std::string(name); };
    const auto text = [json](const std::string& value) { return (json ? "\"" : "'") + value + (json ? "\"" : "'"); };
    std::string out = "{\n  " + key("title") + ": " + text("Entry " + std::to_string(n)) + ",\n  " + key("scope") +
                      ": " + text("source.gen" + std::to_string(n % 40)) + ",\n  " + key("patterns") + ": [\n";
    const int rules = 6 + n % 20;
    for (int rule = 0; rule < rules; ++rule) {
        out += "    {" + key("name") + ": " + text("keyword.control.r" + std::to_string(rule)) + ", " + key("match") +
               ": " + text("if|else|while|for" + std::to_string(rule)) + ", " + key("weight") + ": " +
               std::to_string(rule) + "}" + (rule + 1 < rules ? ",\n" : "\n");
    }
    return out + "  ]\n}\n";
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1))
        ::CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    std::ofstream out(path.c_str(), std::ios::binary);
    out << bytes;
    if (!out) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
}

// The entry trees: <folder>\root\bundles and <folder>\user\bundles (with .changes), and the
// same paths under <folder>\json with the JSON twins. Bundles' info files are in the root layer;
// each entry goes to one layer, a third of them to each.
void writeTrees(const std::wstring& folder) {
    static const BundleEntryTraits* const types[] = {&BundleEntryTraits::grammar(), &BundleEntryTraits::snippet(),
                                                     &BundleEntryTraits::theme(), &BundleEntryTraits::preferences()};
    static const wchar_t* const layers[] = {L"\\root\\bundles", L"\\user\\bundles", L"\\user\\bundles\\.changes"};
    const auto bundleFolder = [](int b) {
        return L"\\Bundle" + std::to_wstring(b) + L"." + uuidText(1, b) + L".tsBundle";
    };
    for (int b = 0; b < BUNDLES; ++b) {
        const std::wstring info = bundleFolder(b) + L"\\info." + uuidText(1, b) + L".tsInfo";
        const std::string title = "{title: 'Bundle " + std::to_string(b) + "'}\n";
        writeFile(folder + layers[0] + info, title);
        writeFile(folder + L"\\json" + layers[0] + info, "{\"title\": \"Bundle " + std::to_string(b) + "\"}\n");
    }
    for (int n = 0; n < ENTRIES; ++n) {
        const BundleEntryTraits& type = *types[n % 4];
        const std::wstring path = bundleFolder(n % BUNDLES) + L"\\" + type.folder + L"\\Entry" + std::to_wstring(n) +
                                  L"." + uuidText(2, n) + L"." + type.extension;
        writeFile(folder + layers[n % 3] + path, entryText(n, false));
        writeFile(folder + L"\\json" + layers[n % 3] + path, entryText(n, true));
    }
}

bool setUpOverFolder(Config& config) {
    return setupFileSystem(config, {s_folder + L"\\root", s_folder + L"\\user", s_folder + L"\\appdata",
                                    s_folder + L"\\temp"});
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int runs = static_cast<int>(options.number("--runs", 5));
    s_folder = bench::folderOption(options) + L"\\bundle-load";
    ::CreateDirectoryW(s_folder.c_str(), nullptr);
    writeTrees(s_folder);
    if (options.get("--write-only"))
        return 0;
    for (const wchar_t* sub : {L"\\appdata", L"\\temp"})
        ::CreateDirectoryW((s_folder + sub).c_str(), nullptr);

    pel::store_main_thread_id();
    pel::MessageRegistry registry;
    registry.initRegistry(::GetModuleHandleW(nullptr));
    afSetModuleInstance(::GetModuleHandleW(nullptr));
    afCreateStockResources();
    std::vector<double> loads, installs;
    TesselService::setSetupSteps({&setUpOverFolder, nullptr});
    TesselService* root = TesselService::getInstance();
    std::unique_ptr<BundleManager> manager(new BundleManager(*root));
    manager->onSetUp.add(&installs, [&] {
        for (const BundleEntryTraits* traits : BundleEntryTraits::all())
            if (traits->id != BUNDLE_TYPE_BUNDLE)
                manager->registerEntryType(std::make_shared<TakeEverything>(*traits));
    });
    root->runStartup();

    // installLoaded is the last update bracket of a load.
    double bracketStart = 0, lastBracket = 0;
    manager->onUpdateBegin.add(&bracketStart, [&] { bracketStart = bench::seconds(); });
    manager->onUpdateEnd.add(&bracketStart, [&] { lastBracket = bench::seconds() - bracketStart; });
    size_t installed = 0;
    for (int run = 0; run < runs; ++run) {
        manager->unloadAll();
        const double start = bench::seconds();
        manager->load();
        if (!tessel_test::pumpUntil([&] { return !manager->isLoading(); }, 120000)) {
            std::fprintf(stderr, "the load never ended\n");
            return 2;
        }
        loads.push_back(bench::seconds() - start);
        installs.push_back(lastBracket);
        installed = manager->getInstalled().size();
    }
    if (installed != BUNDLES + ENTRIES) {
        std::fprintf(stderr, "%u entries installed, %d expected\n", unsigned(installed), BUNDLES + ENTRIES);
        return 2;
    }
    bench::figureBeside("bundle_load_seconds", median(loads), "s", "python_json", options.number("--peer-seconds"));
    bench::figure("bundle_install_loaded_ms", median(installs) * 1000, "ms");

    manager.reset();
    delete TesselService::findInstance();
    TesselService::setSetupSteps({nullptr, nullptr});
    releaseFileSystem();
    afDestroyStockResources();
    registry.releaseRegistry();
    return 0;
}
