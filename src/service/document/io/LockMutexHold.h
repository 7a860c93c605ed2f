#pragma once
// Holds a document's lock mutex (not its nesting count) for a load or save, on the loader thread.
// (For a save the waiting main thread holds it instead: Document::holdMutexForLoader.)

#include "service/document/Document.h"

namespace tessel {

class LockMutexHold {
public:
    explicit LockMutexHold(Document& document) : m_mutex(document.getLockMutex()) { m_mutex.wait(-1); }
    ~LockMutexHold() { m_mutex.release(); }
    LockMutexHold(const LockMutexHold&) = delete;
    LockMutexHold& operator=(const LockMutexHold&) = delete;

private:
    pel::LegacyMutex& m_mutex;
};

} // namespace tessel
