// The service root's part that makes the DocumentManager: the root lies in the layer below the
// document engine and holds the manager as a type it only declares.

#include "service/base/TesselService.h"

#include "service/base/Config.h"
#include "service/document/DocumentManager.h"
#include "service/parser/base/ParserServices.h"

namespace tessel {

void TesselService::createDocumentManager(std::shared_ptr<ParserServices> services) {
    m_document_manager = std::make_shared<DocumentManager>(std::move(services));
    m_document_manager->readSettings(*m_config);
}

} // namespace tessel
