// Config at start and exit: loadAll of a generated folder of 16 name spaces holding 20 000
// declared settings of every type (about 2 MiB of file text), and saveAll after a change to every
// value, in ms; beside them Python doing the same work on the same settings as JSON files. The
// ratios are times (ours over Python's): loadAll should be at most 1, saveAll at most 1.5.
//   config_bench --folder DIR [--python-load-ms X] [--python-save-ms Y]
// DIR holds ts/ns00..ns15.tsConfig (bench/service/base/config_peer.py generate); the files are
// copied to DIR/ts-work, which the saves write.

#include "service/base/Config.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/thread/MainThread.h"
#include "support/Bench.h"

#include <memory>
#include <utility>

namespace {

constexpr int NAME_SPACES = 16;
constexpr size_t VALUES = 20000;

std::wstring widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

std::wstring nameSpacePath(int n) {
    wchar_t name[32];
    std::swprintf(name, 32, L"bench:ns%02d.tsConfig", n);
    return name;
}

// Every setting as its file typed it, with its name space: the schema the timed runs declare.
struct Declared {
    int nameSpace;
    std::wstring identifier;
    tessel::ConfigValue value;
};

void declare(tessel::Config& config, const std::vector<Declared>& schema) {
    std::vector<tessel::ConfigNameSpace*> spaces;
    for (int n = 0; n < NAME_SPACES; ++n)
        spaces.push_back(config.addNameSpace(nameSpacePath(n).c_str(), false));
    for (const Declared& setting : schema)
        config.declareValueWithDefault(spaces[setting.nameSpace], setting.identifier.c_str(), setting.value);
}

void change(tessel::ConfigValue& value) {
    using tessel::ConfigValue;
    switch (value.getType()) {
    case ConfigValue::INT:
        value.setInt(value.getInt() ^ 1);
        break;
    case ConfigValue::UINT:
        value.setUInt(value.getUInt() ^ 1);
        break;
    case ConfigValue::BOOL:
        value.setBool(!value.getBool());
        break;
    case ConfigValue::STRING:
        value.setString((std::wstring(value.getString()) + L"x").c_str());
        break;
    case ConfigValue::FLOAT:
        value.setFloat(*value.getFloat() + 1);
        break;
    case ConfigValue::LIST: {
        ConfigValue::List list = *value.getList();
        list.push_back(ConfigValue::fromString(L"x"));
        value.setList(list);
        break;
    }
    case ConfigValue::VALUE_TREE: {
        tessel::ValueNode tree = *value.getValueTree();
        tree.getOrAddKey(L"left").setInt(tree.getKey(L"left").getInt(0) + 1);
        value.setValueTree(tree);
        break;
    }
    default:
        break;
    }
}

bool fail(const char* what) {
    std::fprintf(stderr, "config_bench: %s\n", what);
    return false;
}

bool run(const bench::Options& options) {
    tessel::Config first(nullptr);
    std::vector<Declared> schema;
    for (int n = 0; n < NAME_SPACES; ++n)
        first.addNameSpace(nameSpacePath(n).c_str(), false);
    if (!first.loadAll())
        return fail("the generated files do not load");
    for (int n = 0; n < NAME_SPACES; ++n)
        for (const tessel::ConfigValue* value : first.findNameSpace(nameSpacePath(n).c_str())->getValues())
            schema.push_back({n, value->getIdentifier(), *value});
    if (schema.size() != VALUES)
        return fail("the files do not hold the settings generated");

    double load = 1e30;
    for (int round = 0; round < 3; ++round) {
        std::unique_ptr<tessel::Config> config(new tessel::Config(nullptr));
        declare(*config, schema);
        const double start = bench::seconds();
        const bool loaded = config->loadAll();
        load = std::min(load, bench::seconds() - start);
        if (!loaded)
            return fail("loadAll failed");
    }

    tessel::Config config(nullptr);
    declare(config, schema);
    config.loadAll();
    double save = 1e30;
    for (int round = 0; round < 3; ++round) {
        for (int n = 0; n < NAME_SPACES; ++n)
            for (tessel::ConfigValue* value : config.findNameSpace(nameSpacePath(n).c_str())->getValues())
                change(*value);
        const double start = bench::seconds();
        const bool saved = config.saveAll();
        save = std::min(save, bench::seconds() - start);
        if (!saved)
            return fail("saveAll failed");
    }

    tessel::Config reloaded(nullptr);
    declare(reloaded, schema);
    if (!reloaded.loadAll())
        return fail("the saved files do not load");
    for (const Declared& setting : schema) {
        tessel::ValueNode saved, read;
        config.findValue(setting.identifier.c_str())->writeTo(saved);
        reloaded.findValue(setting.identifier.c_str())->writeTo(read);
        if (!saved.equals(read))
            return fail("a saved value reads back otherwise");
    }

    bench::figureBeside("config_load_all", load * 1000, "ms", "python_json", options.number("--python-load-ms"));
    bench::figureBeside("config_save_all", save * 1000, "ms", "python_json", options.number("--python-save-ms"));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    pel::store_main_thread_id();
    wchar_t base[MAX_PATH];
    ::GetFullPathNameW(widen(options.get("--folder", ".")).c_str(), MAX_PATH, base, nullptr);
    const std::wstring source = std::wstring(base) + L"\\ts", work = std::wstring(base) + L"\\ts-work";
    ::CreateDirectoryW(work.c_str(), nullptr);
    for (int n = 0; n < NAME_SPACES; ++n) {
        const std::wstring name = nameSpacePath(n).substr(6);
        if (!::CopyFileW((source + L"\\" + name).c_str(), (work + L"\\" + name).c_str(), FALSE)) {
            std::fprintf(stderr, "config_bench: cannot copy %ls\n", name.c_str());
            return 1;
        }
    }
    pel::FileDeviceWin32 native(nullptr, true);
    pel::FileDeviceWin32 disk(work.c_str(), false);
    pel::FileIO::attachDevice(L"__winfs", &native, 0);
    pel::FileIO::attachDevice(L"bench", &disk, 0);
    bool done = false;
    try {
        done = run(options);
    } catch (const pel::Exception& e) {
        std::fprintf(stderr, "config_bench: %ls\n", e.displayText().c_str());
    }
    pel::FileIO::release();
    return done ? 0 : 1;
}
