#pragma once
// The registry of undo record kinds that every document's undo log shares: kinds are
// registered by name (keyed by the CRC-32 of the name) and get ids in order; the first 64 ids
// have a listener slot each, and only those can be recorded. "TRANSACTION" (group markers) has
// id 0 and the Document's own four kinds ids 1 to 4. It also pools the staging files in which
// records of unknown size are gathered, and tells its global listeners of every transaction and
// group of every log. One per DocumentManager; main thread only (else
// pel::IllegalStateException "Not a main thread.").

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pel {
class File;
}

namespace tessel {

class Document;
class UndoContext;
class UndoDocIO;
class UndoListener;

class UndoManager {
public:
    static constexpr uint32_t MAX_KINDS = 64;

    // Registers "TRANSACTION", then makes the document kinds' listener.
    UndoManager();
    // Stops every log that still uses the registry, then closes the pooled staging files.
    ~UndoManager();
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // The kind's id: the known one for a name registered before, else the next.
    uint32_t registerKind(const wchar_t* name);
    // For an id below 64 whose listener is set: clears it, forgets the name and returns true.
    bool unregisterKind(uint32_t id);
    // The registered name of an id, empty when unknown.
    std::wstring kindName(uint32_t id) const;
    // Sets the listener of an id below 64 whose slot is empty; false when it is not.
    bool setKindListener(uint32_t id, UndoListener* listener);
    UndoListener* getKindListener(uint32_t id) const { return id < MAX_KINDS ? m_listeners[id] : nullptr; }
    // A passive kind's records only accompany changes (the selection and spans around an
    // edit): a transaction that wrote no other record leaves no trace. Ids of 64 or more are
    // ignored; unregistering a kind makes it active again.
    void setKindPassive(uint32_t id, bool passive);
    bool isKindPassive(uint32_t id) const { return id < MAX_KINDS && (m_passiveKinds >> id & 1) != 0; }

    // Listeners told about every transaction and group of every document.
    void addListener(UndoListener* listener);
    void removeListener(UndoListener* listener);
    const std::vector<UndoListener*>& getListeners() const { return m_globalListeners; }

    std::unique_ptr<UndoContext> createContext(Document* document);

    uint32_t transactionKind() const { return m_transactionKind; }
    UndoDocIO& docIO() const { return *m_docIO; }

    // A staging file for a context's open transaction: a pooled one, else a new one named from
    // "vtmp:undoRollback"; null when none can be made.
    pel::File* takeStagingFile(UndoContext* context);
    // Back to the pool; a file grown beyond 16 384 bytes is emptied first.
    void returnStagingFile(UndoContext* context, pel::File* file);
    size_t pooledStagingFiles() const { return m_stagingPool.size(); }

private:
    friend class UndoContext;
    void forgetContext(UndoContext* context);

    struct Kind {
        uint32_t id;
        std::wstring name;
    };

    uint32_t m_kindCount = 0;
    UndoListener* m_listeners[MAX_KINDS] = {};
    uint64_t m_passiveKinds = 0; // bit per kind id
    std::map<uint32_t, Kind> m_kinds;
    std::vector<UndoListener*> m_globalListeners;
    std::unique_ptr<UndoDocIO> m_docIO;
    uint32_t m_transactionKind = 0;
    std::vector<pel::File*> m_stagingPool;
    std::vector<UndoContext*> m_openContexts; // holding a staging file
    std::vector<UndoContext*> m_contexts;     // every live context
};

} // namespace tessel
