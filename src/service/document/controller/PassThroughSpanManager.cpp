#include "service/document/controller/PassThroughSpanManager.h"

#include "service/document/Document.h"

#include <algorithm>

namespace tessel {

PassThroughSpanManager::PassThroughSpanManager(Document& document)
    : m_document(document), m_rootLength(document.getLength()) {}

int32_t PassThroughSpanManager::onInsert(int32_t offset, int32_t length, const wchar_t* text) {
    offset = std::max(0, std::min(offset, m_document.getLength()));
    m_document.insert(offset, length, text);
    m_rootLength = m_document.getLength();
    return offset;
}

int32_t PassThroughSpanManager::onRemove(int32_t offset, int32_t length) {
    m_document.remove(offset, length);
    m_rootLength = m_document.getLength();
    return offset;
}

Span* PassThroughSpanManager::leaveSpansOutside(int32_t, int32_t) { return nullptr; }

void PassThroughSpanManager::reset(int32_t documentLength) { m_rootLength = documentLength; }

void PassThroughSpanManager::appendScopes(ScopePath&) {}

void PassThroughSpanManager::saveUndoState(Stream&) {}

void PassThroughSpanManager::restoreUndoState(Stream&) {}

void PassThroughSpanManager::dumpUndoState(Stream&, std::wstring& out, const wchar_t* prefix) {
    out.append(prefix).append(L"Span count = 1\n");
}

bool PassThroughSpanManager::gotoTabStop(bool) { return false; }

bool PassThroughSpanManager::leaveActiveContext() { return false; }

Span* PassThroughSpanManager::createSpanContext(const std::vector<SelectionRange>&, const std::wstring&, uint32_t) {
    return nullptr;
}

} // namespace tessel
