#include "service/bundles/MenuDefReader.h"

#include "pel/log/Log.h"
#include "pel/text/Inflector.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/ListValue.h"

namespace tessel {

bool MenuDefReader::read(const pel::ListValue& list, MenuDefNode& parent) {
    for (const pel::Value* element : list) {
        std::shared_ptr<MenuDefNode> node;
        if (element->type == pel::Value::TYPE_STRING) {
            std::wstring text;
            element->getString(&text);
            if (!text.empty() && text[0] != L'-')
                continue;
            node = std::make_shared<MenuDefNode>();
            node->isSeparator = true;
        } else if (element->type == pel::Value::TYPE_DICTIONARY) {
            const auto& entry = static_cast<const pel::AbstractDictionaryValue&>(*element);
            std::wstring title, item;
            const bool hasTitle = entry.getString(L"title", &title);
            const pel::ListValue* menu = entry.findList(L"menu");
            node = std::make_shared<MenuDefNode>();
            if (hasTitle && menu) {
                node->isSubmenu = true;
                node->title = title;
                read(*menu, *node);
            } else if (entry.getString(L"item", &item)) {
                node->isItem = true;
                pel::Inflector::toLower(&item);
                node->item = item;
            } else {
                pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                                L"MenuDefReader::read(): Ignoring invalid menu entry\n");
                continue;
            }
        } else {
            continue;
        }
        parent.children.push_back(std::move(node));
    }
    return true;
}

} // namespace tessel
