// The editor as a drop target of text and file lists: while a document is shown a drag takes the
// action the framework's standard rule gives it (none without a document), the owner decides for
// file lists, and a drop hands the items and the place under the drop point to the owner. Also
// the drop marker the owner moves over the editor during the drag.
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
    // Another program's text is copied unless Shift asks to move it, as the framework decides.
    return m_controller ? target->standardAction(info, allowed) : AF_DROP_NONE;
}

afDropAction Editor::onDropData(afDropTarget* target, const afDropInfo& info, uint32_t, afDropAction action) {
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
    if (items.empty())
        return AF_DROP_NONE;
    // Text lands on the character boundary under the pointer, as a click there places the caret;
    // read before the owner opens its edit.
    TextPosition at;
    if (!files) {
        if (!m_controller)
            return AF_DROP_NONE;
        POINT point = {info.x, info.y};
        ::ScreenToClient(getHandle(), &point);
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        if (!clientPointToPosition(point, &at, false))
            return AF_DROP_NONE;
    }
    return m_dropDelegate(this, items, files, at, action);
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
