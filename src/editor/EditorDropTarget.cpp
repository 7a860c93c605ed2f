// The editor as a drop target of text and file lists: while a document is shown a drag takes the
// action its keys propose (none without one), the owner decides for file lists, and a drop hands the
// items to the owner. Also the drop marker the owner moves over the editor during the drag.
#include "editor/Editor.h"

#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectText.h"
#include "afw/data/afDropTarget.h"
#include "editor/DropMarker.h"

namespace tessel {

void Editor::installDropTarget() {
    auto* receiver = new afDataObjectComposite;
    receiver->add(new afDataObjectText, true);
    receiver->add(new afDataObjectFiles, false);
    auto* target = new afDropTarget(receiver, true);
    using Action = afDropTarget::ActionDelegate;
    target->setEnterDelegate(Action::bind<Editor, &Editor::onDragEnterOrOver>(this));
    target->setOverDelegate(Action::bind<Editor, &Editor::onDragEnterOrOver>(this));
    target->setDataDelegate(Action::bind<Editor, &Editor::onDropData>(this));
    target->setLeaveDelegate(afDropTarget::LeaveDelegate::bind<Editor, &Editor::onDragLeave>(this));
    setDropTarget(target);
    m_editorDropTarget = target;
}

afDropAction Editor::onDragEnterOrOver(afDropTarget* target, const afDropInfo& info, uint32_t allowed,
                                       afDropAction proposed) {
    if (m_fileDropQuery && target->dragOffers(CF_HDROP))
        return m_fileDropQuery(this, info, allowed, proposed);
    // What the drag proposes for the held keys, as the framework's standard rule decides it.
    return m_controller ? afDropTarget::defaultAction(info, allowed) : AF_DROP_NONE;
}

afDropAction Editor::onDropData(afDropTarget* target, const afDropInfo&, uint32_t, afDropAction action) {
    auto* data = dynamic_cast<afDataObjectComposite*>(target->getData());
    if (!data || !m_dropDelegate)
        return AF_DROP_NONE;
    // The format the drop delivered, not whichever child still holds something.
    std::vector<std::wstring> items;
    const bool files = data->getLastSetFormat() == afDataFormat(CF_HDROP);
    if (files) {
        if (auto* list = dynamic_cast<afDataObjectFiles*>(data->getChild(1)))
            items = list->getFiles();
    } else if (data->getLastSetFormat() == afDataFormat(CF_UNICODETEXT)) {
        if (auto* text = dynamic_cast<afDataObjectText*>(data->getChild(0)))
            if (!text->getText().empty())
                items.push_back(text->getText());
    }
    return items.empty() ? AF_DROP_NONE : m_dropDelegate(this, items, files, action);
}

void Editor::onDragLeave(afDropTarget*) {
    if (m_dropLeave)
        m_dropLeave(this);
    if (m_dropMarker)
        m_dropMarker->setVisible(false);
}

DropMarker* Editor::getDropMarker() {
    if (!m_dropMarker)
        m_dropMarker = DropMarker::create(this);
    return m_dropMarker;
}

} // namespace tessel
