// The settings schema: every name space, the settings of the service base and the document
// engine, and the framework's window placements. Later subsystems declare theirs on first use or
// at their set-up.

#include "service/base/Config.h"
#include "service/base/ServiceSetup.h"
#include "service/base/WebApiService.h"

#include "pel/log/Log.h"

namespace tessel {

namespace {

constexpr const wchar_t* USER_FILES[] = {
    L"user:config/session.tsConfig", L"user:config/preferences.tsConfig", L"user:config/projects.tsConfig",
    L"user:config/bundles.tsConfig", L"user:config/languages.tsConfig",   L"user:config/presets.tsConfig",
    L"user:config/user.tsConfig",    L"user:config/web.tsConfig",
};

} // namespace

bool declareConfigSchema(Config& config) {
    ConfigNameSpace* startup = config.addNameSpace(L"root:config/startup.tsConfig", true);
    for (const wchar_t* path : USER_FILES)
        config.addNameSpace(path, false);
    ConfigNameSpace* preferences = config.getPreferencesNameSpace();
    ConfigNameSpace* session = config.findNameSpace(L"user:config/session.tsConfig");

    config.declareValueWithDefault(startup, L"app.startup.user_dir", ConfigValue::fromString(L""));
    // The DocumentManager's: parsing, and the defaults of new documents.
    config.declareValueWithDefault(preferences, L"app.parser.threads_count", ConfigValue::fromInt(0));
    config.declareValueWithDefault(preferences, L"app.parser.parse_inactive_documents", ConfigValue::fromBool(false));
    config.declareValueWithDefault(preferences, L"app.indentation.recent.size", ConfigValue::fromInt(4));
    config.declareValueWithDefault(preferences, L"app.indentation.recent.soft", ConfigValue::fromBool(false));
    config.declareValueWithDefault(preferences, L"app.file_defaults.encoding", ConfigValue::fromString(L"UTF-8-PLAIN"));
    config.declareValueWithDefault(preferences, L"app.file_defaults.line_ending", ConfigValue::fromString(L"CR+LF"));
    // The framework's window placements: a dictionary per kind of window, written as they close.
    config.declareValueWithDefault(session, L"app.windows", ConfigValue::fromValueNode(ValueNode(ValueNode::Dictionary)));

    // The BundleManager's: the bundles and items the user disabled.
    config.declareValueWithDefault(config.findNameSpace(L"user:config/bundles.tsConfig"), L"app.bundles.disabled",
                                   ConfigValue::fromList(ConfigValue::List()));

    // The grammar manager's: the user's choice of grammar per file extension.
    config.declareValueWithDefault(config.findNameSpace(L"user:config/languages.tsConfig"), L"app.languages.extensions",
                                   ConfigValue::fromList(ConfigValue::List()));

    // The web service's identity of this installation, made at the first start.
    config.declareValueWithDefault(config.findNameSpace(L"user:config/web.tsConfig"), WebApiService::CLIENT_ID_SETTING,
                                   ConfigValue::fromString(L""));

    // A first start has no files yet, and a damaged one was logged by Config: either way its
    // settings keep their defaults, and the start goes on.
    if (!config.loadAll())
        pel::log_printf(pel::LOG_INFO, Config::LOG_SOURCE,
                        L"Config: Not every configuration file was loaded; the others keep their defaults\n");
    return true;
}

} // namespace tessel
