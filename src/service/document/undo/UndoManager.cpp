#include "service/document/undo/UndoManager.h"

#include "pel/base/Crc.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/thread/MainThread.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoDocIO.h"

#include <algorithm>

namespace tessel {

namespace {

// A staging file that grew beyond this is emptied before it is pooled again.
constexpr int64_t STAGING_KEPT = 16384;

void eraseFrom(std::vector<UndoContext*>& list, UndoContext* context) {
    list.erase(std::remove(list.begin(), list.end(), context), list.end());
}

void deleteFile(pel::File* file) {
    const std::wstring path = file->path();
    pel::FileIO::closeFile(file);
    pel::FileIO::deleteFile(path.c_str());
}

} // namespace

UndoManager::UndoManager() {
    pel::check_main_thread();
    m_transactionKind = registerKind(L"TRANSACTION");
    m_docIO = std::make_unique<UndoDocIO>(*this);
}

UndoManager::~UndoManager() {
    for (UndoContext* context : std::vector<UndoContext*>(m_contexts))
        context->detachManager();
    for (pel::File* file : m_stagingPool)
        deleteFile(file);
}

uint32_t UndoManager::registerKind(const wchar_t* name) {
    pel::check_main_thread();
    const uint32_t hash = pel::crc32String(name);
    const auto found = m_kinds.find(hash);
    if (found != m_kinds.end())
        return found->second.id;
    const uint32_t id = m_kindCount++;
    m_kinds.emplace(hash, Kind{id, name});
    return id;
}

bool UndoManager::unregisterKind(uint32_t id) {
    pel::check_main_thread();
    if (id >= MAX_KINDS || !m_listeners[id])
        return false;
    m_listeners[id] = nullptr;
    m_passiveKinds &= ~(uint64_t(1) << id);
    for (auto kind = m_kinds.begin(); kind != m_kinds.end(); ++kind)
        if (kind->second.id == id) {
            m_kinds.erase(kind);
            break;
        }
    return true;
}

std::wstring UndoManager::kindName(uint32_t id) const {
    for (const auto& kind : m_kinds)
        if (kind.second.id == id)
            return kind.second.name;
    return std::wstring();
}

bool UndoManager::setKindListener(uint32_t id, UndoListener* listener) {
    pel::check_main_thread();
    if (id >= MAX_KINDS || m_listeners[id])
        return false;
    m_listeners[id] = listener;
    return true;
}

void UndoManager::setKindPassive(uint32_t id, bool passive) {
    pel::check_main_thread();
    if (id >= MAX_KINDS)
        return;
    const uint64_t bit = uint64_t(1) << id;
    m_passiveKinds = passive ? m_passiveKinds | bit : m_passiveKinds & ~bit;
}

void UndoManager::addListener(UndoListener* listener) {
    pel::check_main_thread();
    if (listener && std::find(m_globalListeners.begin(), m_globalListeners.end(), listener) == m_globalListeners.end())
        m_globalListeners.push_back(listener);
}

void UndoManager::removeListener(UndoListener* listener) {
    pel::check_main_thread();
    m_globalListeners.erase(std::remove(m_globalListeners.begin(), m_globalListeners.end(), listener),
                            m_globalListeners.end());
}

std::unique_ptr<UndoContext> UndoManager::createContext(Document* document) {
    pel::check_main_thread();
    return std::make_unique<UndoContext>(this, document);
}

pel::File* UndoManager::takeStagingFile(UndoContext* context) {
    pel::File* file = nullptr;
    if (!m_stagingPool.empty()) {
        file = m_stagingPool.back();
        m_stagingPool.pop_back();
    } else {
        pel::WorkString<> name;
        if (pel::FileIFC::getInstance()->makeUniqueName(L"vtmp:undoRollback", &name))
            file = pel::FileIO::openFile(name.c_str(), pel::FILE_MODE_READ_WRITE_NEW);
    }
    if (file)
        m_openContexts.push_back(context);
    return file;
}

void UndoManager::returnStagingFile(UndoContext* context, pel::File* file) {
    eraseFrom(m_openContexts, context);
    if (file->getSize() > STAGING_KEPT && !(file->seek(pel::FILE_SEEK_BEGIN, 0) == 0 && file->truncate())) {
        deleteFile(file);
        return;
    }
    m_stagingPool.push_back(file);
}

void UndoManager::forgetContext(UndoContext* context) {
    eraseFrom(m_contexts, context);
    eraseFrom(m_openContexts, context);
}

} // namespace tessel
