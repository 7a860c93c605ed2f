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
#include <cwchar>

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
    SettingsRead read;
    read.encoding = m_defaultEncoding;
    read.lineEnding = m_defaultLineEnding;
    read.soft = m_defaultIndentation.soft != 0;
    read.size = m_defaultIndentation.size;
    // A value it cannot use is told with what it uses instead.
    const auto tell = [&config](const ConfigValue& value, const wchar_t* expected, const std::wstring& used) {
        config.tellUnusable(config.getPreferencesNameSpace(), value.getIdentifier(), Config::textOf(value), expected,
                            used);
    };
    {
        ConfigLock lock(config.getLock());
        if (const ConfigValue* value = config.findValue(L"app.parser.threads_count"))
            threads = value->getInt();
        if (const ConfigValue* value = config.findValue(L"app.parser.parse_inactive_documents"))
            m_parserClient->setParseInactiveDocuments(value->getBool());
        if (const ConfigValue* value = config.findValue(L"app.indentation.recent.size")) {
            const int width = value->getInt();
            read.size = std::min(WIDEST_DEFAULT_TAB, std::max(NARROWEST_DEFAULT_TAB, width));
            if (read.size != width)
                tell(*value, L"a tab width from 1 to 8", std::to_wstring(read.size));
        }
        if (const ConfigValue* value = config.findValue(L"app.indentation.recent.soft"))
            read.soft = value->getBool();
        if (const ConfigValue* value = config.findValue(L"app.file_defaults.encoding")) {
            const wchar_t* name = value->getString();
            read.encoding = encoding_from_config_name(name);
            if (!name || _wcsicmp(name, encoding_config_name(read.encoding)) != 0)
                tell(*value, L"the name of an encoding Tessel knows",
                     L"'" + std::wstring(encoding_config_name(read.encoding)) + L"'");
        }
        if (const ConfigValue* value = config.findValue(L"app.file_defaults.line_ending")) {
            const std::wstring name = value->getString() ? value->getString() : L"";
            read.lineEnding = static_cast<uint32_t>(pel::LineEnding::fromName(name));
            if (name != L"CRLF" && name != pel::LineEnding::toName(static_cast<int>(read.lineEnding)))
                tell(*value, L"'CR+LF', 'LF' or 'CR'",
                     L"'" + std::wstring(pel::LineEnding::toName(static_cast<int>(read.lineEnding))) + L"'");
        }
    }
    // A default the settings did not change since they were last read stays as it is now: the
    // status strip may have set it meanwhile.
    const bool first = !m_read.done;
    if (first || read.encoding != m_read.encoding)
        m_defaultEncoding = read.encoding;
    if (first || read.lineEnding != m_read.lineEnding)
        m_defaultLineEnding = read.lineEnding;
    if (first || read.size != m_read.size || read.soft != m_read.soft)
        setDefaultIndentation(read.soft, read.size);
    read.done = true;
    m_read = read;
    m_parserPool->setWorkerCount(BgScheduler::getDefaultWorkerCount(threads));
}

void DocumentManager::writeSettings(Config& config) {
    m_grammarRuleSets->cancelAll(this);
    // Only what this run changed: the rest keeps what the file says, a value Tessel could not
    // use among it.
    ConfigLock lock(config.getLock());
    if (ConfigValue* value = config.findValue(L"app.indentation.recent.soft"))
        if (!m_read.done || (m_defaultIndentation.soft != 0) != m_read.soft)
            value->setBool(m_defaultIndentation.soft != 0);
    if (ConfigValue* value = config.findValue(L"app.indentation.recent.size"))
        if (!m_read.done || m_defaultIndentation.size != m_read.size)
            value->setInt(m_defaultIndentation.size);
    if (ConfigValue* value = config.findValue(L"app.file_defaults.encoding"))
        if (!m_read.done || m_defaultEncoding != m_read.encoding)
            value->setString(encoding_config_name(m_defaultEncoding));
    if (ConfigValue* value = config.findValue(L"app.file_defaults.line_ending"))
        if (!m_read.done || m_defaultLineEnding != m_read.lineEnding)
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

namespace {

// The file a document holds, by its record's last look at it: a file looked at again for every
// open would make opening many files cost the square of their count. Looked at now only when the
// record knows no identity.
FileStamp identityOf(const Document& document, const wchar_t* path) {
    const FileStamp& seen = document.getFileRecord().seen().stamp;
    return seen.identified() ? seen : FileStamp::of(path);
}

} // namespace

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
        if (wanted.identified() && identityOf(*document, format.path.c_str()).sameFile(wanted))
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
