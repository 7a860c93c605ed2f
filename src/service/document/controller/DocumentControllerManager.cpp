#include "service/document/controller/DocumentControllerManager.h"

#include "pel/base/Assert.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/PassThroughSpanManager.h"

#include <algorithm>

namespace tessel {

DocumentControllerManager::DocumentControllerManager(DocumentManager& documents)
    : m_documents(documents), m_undoIO(new DocumentControllerUndoIO(*documents.getUndoManager())) {}

DocumentControllerManager::~DocumentControllerManager() {
    m_active = nullptr;
    while (!m_controllers.empty())
        m_controllers.pop_back();
    m_undoIO.reset();
}

DocumentController* DocumentControllerManager::createController(Document& document, void* context) {
    std::unique_ptr<DocumentController> controller(new DocumentController(document, *this, context));
    m_controllers.push_back(std::move(controller));
    return m_controllers.back().get();
}

void DocumentControllerManager::deleteController(DocumentController* controller) {
    const auto found = std::find_if(
        m_controllers.begin(), m_controllers.end(),
        [controller](const std::unique_ptr<DocumentController>& each) { return each.get() == controller; });
    if (found == m_controllers.end())
        return;
    if (m_active == controller)
        m_active = nullptr;
    std::unique_ptr<DocumentController> owned = std::move(*found);
    m_controllers.erase(found);
    owned.reset();
}

void DocumentControllerManager::setGrammar(Document& document, const std::wstring& name) {
    m_documents.setGrammar(document, name);
}

BgScheduler& DocumentControllerManager::getParserScheduler() const { return m_documents.getParserPool(); }

bool DocumentControllerManager::getParseInactiveDocuments() const { return m_documents.getParseInactiveDocuments(); }

std::unique_ptr<ISpanManager> DocumentControllerManager::createSpanManager(DocumentController& controller) {
    if (m_spanManagerFactory)
        return m_spanManagerFactory(controller);
    return std::unique_ptr<ISpanManager>(new PassThroughSpanManager(controller.getDocument()));
}

} // namespace tessel
