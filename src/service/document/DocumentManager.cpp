#include "service/document/DocumentManager.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/text/LineEnding.h"
#include "service/base/Config.h"
#include "service/document/Document.h"
#include "service/document/io/DocumentEncoding.h"
#include "service/document/io/DocumentIO.h"
#include "service/document/undo/UndoManager.h"
#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "service/parser/base/ParserClient.h"
#include "service/parser/base/ParserServices.h"

#include <algorithm>

namespace tessel {

namespace {

using ConfigLock = pel::ScopedLock<pel::Mutex_Impl>;

// Default tab widths beyond these are taken as the nearest.
constexpr int WIDEST_DEFAULT_TAB = 8;
constexpr int NARROWEST_DEFAULT_TAB = 1;

} // namespace

DocumentManager::DocumentManager(std::shared_ptr<ParserServices> services)
    : m_services(services ? std::move(services) : std::make_shared<ParserServices>()),
      m_defaultEncoding(DEFAULT_ENCODING), m_defaultLineEnding(LINE_ENDING_WINDOWS) {
    m_io.reset(new DocumentIO(this));
    m_undoManager.reset(new UndoManager());
    m_parserPool.reset(new BgScheduler("parser"));
    m_parserClient = m_services->createParserClient(*m_parserPool);
    m_grammarRuleSets = m_services->createGrammarRuleSetHolder();
    // A read of a file's bytes is taken by its document only while no request of it runs: the
    // request's end looks at the file itself.
    m_contentCheck.reset(new FileContentCheck(*m_io, [this](uint32_t id) -> Document* {
        for (const std::unique_ptr<Document>& document : m_documents)
            if (document->getId() == id)
                return isInRequest(*document) ? nullptr : document.get();
        return nullptr;
    }));
    m_watch.reset(new DocumentWatch(*m_contentCheck));
    m_formatDetectors.reset(new FormatDetectorSet(*this));
}

DocumentManager::~DocumentManager() {
    m_formatDetectors.reset();
    // Held or not: nothing may use a document past its manager.
    while (!m_documents.empty())
        releaseDocument(m_documents.back().get());
    m_watch.reset();
    m_contentCheck.reset();
    m_io.reset();
    m_undoManager.reset();
    m_parserPool.reset(); // its workers let go of their client contexts
    m_grammarRuleSets->replaceGrammarRuleSet(nullptr);
    m_grammarRuleSets.reset();
    m_parserClient.reset();
}

// ---- settings

void DocumentManager::readSettings(Config& config) {
    int threads = 0;
    {
        ConfigLock lock(config.getLock());
        if (const ConfigValue* value = config.findValue(L"app.parser.threads_count"))
            threads = value->getInt();
        if (const ConfigValue* value = config.findValue(L"app.parser.parse_inactive_documents"))
            m_parserClient->setParseInactiveDocuments(value->getBool());
        const ConfigValue* size = config.findValue(L"app.indentation.recent.size");
        const ConfigValue* soft = config.findValue(L"app.indentation.recent.soft");
        if (size || soft) {
            const int width = size ? size->getInt() : m_defaultIndentation.size;
            setDefaultIndentation(soft ? soft->getBool() : m_defaultIndentation.soft != 0,
                                  std::min(WIDEST_DEFAULT_TAB, std::max(NARROWEST_DEFAULT_TAB, width)));
        }
        if (const ConfigValue* value = config.findValue(L"app.file_defaults.encoding"))
            m_defaultEncoding = encoding_from_config_name(value->getString());
        if (const ConfigValue* value = config.findValue(L"app.file_defaults.line_ending")) {
            const wchar_t* name = value->getString();
            m_defaultLineEnding = static_cast<uint32_t>(pel::LineEnding::fromName(name ? name : L""));
        }
    }
    m_parserPool->setWorkerCount(BgScheduler::getDefaultWorkerCount(threads));
}

void DocumentManager::writeSettings(Config& config) {
    m_grammarRuleSets->cancelAll(this);
    ConfigLock lock(config.getLock());
    if (ConfigValue* value = config.findValue(L"app.indentation.recent.soft"))
        value->setBool(m_defaultIndentation.soft != 0);
    if (ConfigValue* value = config.findValue(L"app.indentation.recent.size"))
        value->setInt(m_defaultIndentation.size);
    if (ConfigValue* value = config.findValue(L"app.file_defaults.encoding"))
        value->setString(encoding_config_name(m_defaultEncoding));
    if (ConfigValue* value = config.findValue(L"app.file_defaults.line_ending"))
        value->setString(pel::LineEnding::toName(static_cast<int>(m_defaultLineEnding)));
}

bool DocumentManager::setDefaultLineEnding(uint32_t lineEnding) {
    if (lineEnding > LINE_ENDING_MAC)
        return false;
    m_defaultLineEnding = lineEnding;
    return true;
}

void DocumentManager::setDefaultIndentation(bool softTabs, int width) { m_defaultIndentation.set(width, softTabs); }

bool DocumentManager::getParseInactiveDocuments() const { return m_parserClient->parseInactiveDocuments(); }

// ---- documents

// Made with this manager as its owner (its undo log comes from the registry), with its parse job
// and the manager's listeners; in the list from now on.
Document* DocumentManager::newDocument() {
    if (m_documents.size() == m_documents.capacity()) // nothing may throw once the job is made
        m_documents.reserve(m_documents.size() * 2 + 8);
    std::unique_ptr<Document> document(new Document(this));
    {
        DocumentLockHold lock(*document);
        for (DocumentListener* listener : m_listeners)
            document->addListener(listener);
        document->setParserJob(m_parserClient->createJob(document.get()));
    }
    m_documents.push_back(std::move(document));
    return m_documents.back().get();
}

Document* DocumentManager::createDocument(const std::wstring& grammarName) {
    Document* document = newDocument();
    document->changeFormat([this](DocumentFormat& format) {
        format.modified = false;
        format.isNew = true;
        format.path.clear();
        format.encoding = m_defaultEncoding;
        format.lineEnding = m_defaultLineEnding;
        format.indentation = m_defaultIndentation;
    });
    setGrammar(*document, grammarName);
    return document;
}

Document* DocumentManager::findDocument(const wchar_t* path) const {
    if (!path || !*path)
        return nullptr;
    // The file the path leads to, through links: the same file as a document's, by any name.
    const FileStamp wanted = FileStamp::of(path);
    Document* named = nullptr;
    for (const std::unique_ptr<Document>& document : m_documents) {
        const DocumentFormat format = document->getFormat();
        if (format.isNew || format.path.empty())
            continue;
        if (wanted.identified() && FileStamp::of(format.path.c_str()).sameFile(wanted))
            return document.get();
        if (!named && pel::FileIO::isSamePath(format.path.c_str(), path))
            named = document.get();
    }
    return named;
}

void DocumentManager::releaseDocument(Document* document) {
    detachDocument(document).reset(); // with its undo log
}

std::unique_ptr<Document> DocumentManager::detachDocument(Document* document) {
    const auto found = std::find_if(m_documents.begin(), m_documents.end(),
                                    [document](const std::unique_ptr<Document>& each) { return each.get() == document; });
    if (found == m_documents.end())
        return nullptr;
    // Held until the document goes: a parse slice that tries it from now on skips its step.
    document->lock();
    releaseGrammar(document->getGrammarName());
    // Waits for a slice that runs to end; the job is then deleted, or by the pool once the
    // messages about it are handled.
    if (ParserJob* job = document->getParserJob()) {
        document->setParserJob(nullptr);
        m_parserPool->releaseJob(job);
    }
    std::unique_ptr<Document> owned = std::move(*found);
    m_documents.erase(found);
    for (DocumentListener* listener : m_listeners)
        document->removeListener(listener);
    m_watch->forget(*document);
    return owned;
}

void DocumentManager::closeAllDocuments() {
    // A document a controller holds belongs to an editor that is still there (an entry of the
    // bundle editor at exit, say): freed under it, its controller and view would go on with
    // freed memory. Its holder releases it as it goes.
    for (size_t i = m_documents.size(); i-- > 0;)
        if (m_documents[i]->getControllers().empty())
            releaseDocument(m_documents[i].get());
}

// ---- listeners and detectors

void DocumentManager::eachDocumentLocked(void (Document::*step)(DocumentListener*), DocumentListener* listener) {
    for (const std::unique_ptr<Document>& document : m_documents) {
        DocumentLockHold lock(*document);
        (document.get()->*step)(listener);
    }
}

bool DocumentManager::addListener(DocumentListener* listener) {
    if (!listener)
        return false;
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
        return true;
    eachDocumentLocked(&Document::addListener, listener);
    m_listeners.push_back(listener);
    return true;
}

bool DocumentManager::removeListener(DocumentListener* listener) {
    const auto found = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (!listener || found == m_listeners.end())
        return false;
    eachDocumentLocked(&Document::removeListener, listener);
    m_listeners.erase(found);
    return true;
}

bool DocumentManager::runFormatDetectors(DetectorAnswer& result, Document& document) {
    return m_detectors.run(result, document);
}

std::unique_ptr<DocumentScopeRegistry> DocumentManager::createScopeRegistry(Document& document) {
    return m_services->createScopeRegistry(document);
}

std::unique_ptr<DocumentStyler> DocumentManager::createStyler(Document& document) {
    return m_services->createStyler(document);
}

} // namespace tessel
