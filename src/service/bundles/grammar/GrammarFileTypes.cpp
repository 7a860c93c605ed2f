#include "service/bundles/grammar/GrammarFileTypes.h"

#include "service/base/ConfigValue.h"
#include "service/base/ValueNode.h"

#include "pel/text/Inflector.h"

#include <algorithm>

namespace tessel {

namespace {

std::wstring lowerCase(std::wstring text) {
    if (!text.empty())
        pel::Inflector::toLower(&text);
    return text;
}

void appendExtensions(const GrammarFileTypes::Records& records, const std::wstring& grammar,
                      std::vector<std::wstring>& io_extensions) {
    for (const GrammarFileTypes::Record& record : records)
        if (record.grammar == grammar)
            io_extensions.push_back(record.extension);
}

} // namespace

void GrammarFileTypes::addGrammar(const std::wstring& grammar, const std::vector<std::wstring>& extensions) {
    for (const std::wstring& extension : extensions) {
        const bool held = std::any_of(m_fileTypes.begin(), m_fileTypes.end(),
                                      [&extension](const Record& record) { return record.extension == extension; });
        if (!held && !extension.empty())
            m_fileTypes.push_back({extension, grammar});
    }
}

void GrammarFileTypes::removeGrammar(const std::wstring& grammar) {
    m_fileTypes.erase(std::remove_if(m_fileTypes.begin(), m_fileTypes.end(),
                                     [&grammar](const Record& record) { return record.grammar == grammar; }),
                      m_fileTypes.end());
}

void GrammarFileTypes::setUserFileType(const std::wstring& extension, const std::wstring& grammar) {
    if (extension.empty())
        return;
    // File names are matched in lower case: so must the choice be.
    const std::wstring lower = lowerCase(extension);
    for (Record& record : m_userFileTypes) {
        if (record.extension == lower) {
            record.grammar = grammar;
            return;
        }
    }
    m_userFileTypes.push_back({lower, grammar});
}

void GrammarFileTypes::getFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const {
    appendExtensions(m_fileTypes, grammar, io_extensions);
}

void GrammarFileTypes::getUserFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const {
    appendExtensions(m_userFileTypes, grammar, io_extensions);
}

bool GrammarFileTypes::matchesFileType(const std::wstring& fileName, const std::wstring& extension) {
    if (extension.empty() || fileName.size() < extension.size() ||
        fileName.compare(fileName.size() - extension.size(), extension.size(), extension) != 0)
        return false;
    if (fileName.size() == extension.size())
        return true;
    const wchar_t before = fileName[fileName.size() - extension.size() - 1];
    return before == L'.' || before == L'/' || before == L'\\';
}

std::wstring GrammarFileTypes::findGrammarName(const std::wstring& fileName) const {
    if (fileName.empty())
        return std::wstring();
    const std::wstring name = lowerCase(fileName);
    const Record* best = nullptr;
    for (const Records* records : {&m_userFileTypes, &m_fileTypes})
        for (const Record& record : *records)
            if ((!best || record.extension.size() > best->extension.size()) && matchesFileType(name, record.extension))
                best = &record;
    return best ? best->grammar : std::wstring();
}

void GrammarFileTypes::loadUserFileTypes(const ConfigValue& setting) {
    m_userFileTypes.clear();
    const ConfigValue::List* list = setting.getList();
    if (!list)
        return;
    for (const ConfigValue& element : *list) {
        const ValueNode* tree = element.getValueTree();
        if (!tree || tree->kind() != ValueNode::Dictionary)
            continue;
        const wchar_t* grammar = tree->getKey(L"grammar_name").text();
        const ValueNode& extensions = tree->getKey(L"extensions");
        if (!grammar || !*grammar || extensions.kind() != ValueNode::List)
            continue;
        for (const ValueNode& extension : extensions.listBegin())
            if (extension.kind() == ValueNode::String && extension.text() && *extension.text())
                m_userFileTypes.push_back({lowerCase(extension.text()), grammar});
    }
}

void GrammarFileTypes::saveUserFileTypes(ConfigValue& setting) const {
    std::vector<ValueNode> elements;
    for (const Record& record : m_userFileTypes) {
        auto element = std::find_if(elements.begin(), elements.end(), [&record](const ValueNode& node) {
            return record.grammar == node.getKey(L"grammar_name").text();
        });
        if (element == elements.end()) {
            elements.emplace_back(ValueNode::Dictionary);
            element = elements.end() - 1;
            element->getOrAddKey(L"grammar_name").setString(record.grammar.c_str());
            element->getOrAddKey(L"extensions") = ValueNode(ValueNode::List);
        }
        element->getOrAddKey(L"extensions").addListItem()->setString(record.extension.c_str());
    }
    ConfigValue::List list;
    for (const ValueNode& element : elements)
        list.push_back(ConfigValue::fromValueNode(element));
    setting.setList(list);
}

void GrammarFileTypes::clear() {
    m_fileTypes.clear();
    m_userFileTypes.clear();
}

} // namespace tessel
