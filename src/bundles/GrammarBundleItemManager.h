#pragma once
// The entry manager of grammars: keeps the installed grammars by scope name (a second grammar of
// a name is refused), offers one language action per grammar and one for the built-in "None",
// tells which grammar a file name belongs to (the user's choices kept in
// "app.languages.extensions"), and compiles all installed grammars together on its
// "CompileTaskRunner" into the rule set that it hands to the DocumentManager's parser.
//
// Every change of the installed grammars happens under a compile lock that first stops and
// awaits a running compile, so the compile thread never reads a grammar while it changes; the
// BundleManager's update brackets hold the lock, so a whole load ends in one compile. UI thread
// only, apart from the compile task.
//
// Made with create() after the BundleManager; the BundleManager's set-up registers it, and from
// then on the BundleManager holds it: no other reference may outlive the BundleManager.

#include "bundles/BundleEntryManager.h"
#include "bundles/GrammarBundleItemAction.h"
#include "bundles/resources/BundleIconIds.h"

#include "service/base/ConfigValue.h"
#include "service/base/Notice.h"
#include "service/bundles/grammar/GrammarBundleItemCompiler.h"
#include "service/bundles/grammar/GrammarFileTypes.h"

#include "afw/action/afAction.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class BundleManager;
class Config;
class DocumentControllerManager;
class GrammarBundleItem;
class GrammarBundleItemCompilerTask;
class Task;
class TaskRunner;
class TesselService;

class GrammarBundleItemManager : public BundleEntryManager,
                                 public afActionHandler,
                                 public std::enable_shared_from_this<GrammarBundleItemManager> {
public:
    static constexpr uint32_t INSTALL_TAG = pel::crc32Literal("install"); // 0x2FCABD79
    static constexpr const wchar_t* EXTENSIONS_SETTING = L"app.languages.extensions";
    static constexpr const wchar_t* DEFAULT_SCOPE = L"none";
    static constexpr int ICON_RESOURCE = BUNDLES_ICON_GRAMMAR; // 16 by 16

    // One line of the language menu.
    struct Language {
        std::wstring title;
        GrammarBundleItem* grammar;
        GrammarBundleItemAction* action;
        bool hidden;
    };

    // Called after a new rule set was handed over, and before one is.
    Notice<> onCompiled;
    Notice<> onBeforeHandover;

    // Registers the grammar icon and subscribes to the BundleManager's set-up and update
    // brackets and to the root's start-up list (the user's file types).
    static std::shared_ptr<GrammarBundleItemManager> create(BundleManager& bundles, TesselService& service);
    // Stops a running compile; the default grammar's action goes.
    ~GrammarBundleItemManager() override;

    // BundleEntryManager.
    BundleEntryPtr createEntry() override;
    const BundleEntryTraits& getEntryTraits() const override;
    // Takes a grammar whose scope name no other installed grammar has; a refused one gets an
    // error tagged "install" in its own list.
    bool install(BundleEntry& entry) override;
    bool uninstall(BundleEntry& entry) override;
    BundleEntryEditorFactory getEditorFactory(BundleEntry& entry) const override;
    void beginEntryChange(BundleEntry& entry) override;
    void endEntryChange(BundleEntry& entry, bool changed) override;

    // The installed grammar of the scope name; "None" for an empty name or one not installed.
    GrammarBundleItem* findGrammar(const std::wstring& name) const;
    // The grammar of the longest extension the file name ends with; "None" without one.
    GrammarBundleItem* findGrammarForFile(const std::wstring& fileName) const;
    GrammarBundleItem* getDefaultGrammar() const { return m_defaultGrammar.get(); }
    const GrammarMap& getGrammars() const { return m_grammars; }

    // Appends a line per language action and sorts the list by title.
    void getLanguageList(std::vector<Language>& io_list) const;
    void getFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const;
    void getUserFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const;
    void setUserFileType(const std::wstring& extension, const std::wstring& grammar);

    // The compile lock; with stop, a running compile is stopped and awaited first, and one is
    // due when the lock opens. A count below 0 is a hard check "m_compile_lock_counter >= 0".
    void lockCompile(bool stop);
    void unlockCompile();
    // Starts a compile when none is locked out, else makes one due.
    void requestCompile();
    // Stops and awaits a compile; false when none was started.
    bool stopCompile();

    // The controllers of the shown documents, whose active one a language action changes.
    void setControllerManager(DocumentControllerManager* controllers) { m_controllers = controllers; }
    // What a language action does: the grammar becomes the active document's, and, for a
    // document with an extension, the user's choice for it.
    bool chooseLanguage(GrammarBundleItemAction& action);

    int32_t getCompileLockCounter() const { return m_compile_lock_counter; }
    bool isCompilePending() const { return m_compilePending; }
    int32_t getRunningCompiles() const { return m_runningCompiles; }
    const std::shared_ptr<TaskRunner>& getCompileRunner() const { return m_compileRunner; }
    const std::shared_ptr<GrammarBundleItemCompilerTask>& getCompileTask() const { return m_compileTask; }

private:
    GrammarBundleItemManager(BundleManager& bundles, TesselService& service);

    // On the BundleManager's set-up: registers the grammar type and makes "None".
    void setUp();
    void loadSettings(Config& config);
    // Writes the user's file types into their setting when this run changed them.
    void saveSettings(Config& config);
    void onCompileFinished(const std::shared_ptr<Task>& task);
    GrammarBundleItemAction* addAction(GrammarBundleItem& grammar);
    void removeAction(GrammarBundleItem& grammar);
    void releaseAction(GrammarBundleItemAction* action);

    BundleManager& m_bundles;
    TesselService& m_service;
    GrammarMap m_grammars;
    uint32_t m_activity = 0;
    bool m_compilePending = false;
    int32_t m_compile_lock_counter = 0;
    std::shared_ptr<TaskRunner> m_compileRunner;
    std::shared_ptr<GrammarBundleItemCompilerTask> m_compileTask;
    int32_t m_runningCompiles = 0;
    GrammarFileTypes m_fileTypes;
    // The user's file types as their setting gave them, which a save writes back only changed.
    std::unique_ptr<ConfigValue> m_fileTypesRead;
    std::vector<GrammarBundleItemAction*> m_actions;
    boost::intrusive_ptr<GrammarBundleItem> m_defaultGrammar;
    DocumentControllerManager* m_controllers = nullptr;
};

} // namespace tessel
