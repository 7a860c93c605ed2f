#include "service/document/controller/LongEdit.h"

#include "service/base/TaskFailure.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"

namespace tessel {

LongEdit::LongEdit(DocumentController& controller)
    // Inside an open transaction the edit's steps only deepen it: no pause could come between
    // them with the text as a transaction leaves it.
    : m_controller(controller), m_wait(controller.getLockDepth() == 0 ? controller.getOwner().getLongEditWait() : nullptr),
      m_interval(m_wait ? m_wait->pauseInterval() : 0), m_last(::GetTickCount()) {
    m_controller.noteLongEdit(1);
    // Its steps' lines are parsed again once it is over.
    m_controller.getDocument().holdParseRequests();
    if (m_wait)
        m_wait->begin();
}

LongEdit::~LongEdit() {
    try {
        if (m_wait)
            m_wait->end();
    } catch (...) {
        logCaughtException(L"LongEdit: the end of its pauses");
    }
    try {
        m_controller.getDocument().releaseParseRequests();
    } catch (...) {
        logCaughtException(L"LongEdit: the parse of its lines");
    }
    m_controller.noteLongEdit(-1);
}

bool LongEdit::pause(const std::wstring& progress) {
    const Document& document = m_controller.getDocument();
    const uint32_t changes = document.getChangeCount();
    if (!m_stopped && m_wait)
        m_stopped = !m_wait->pause(progress);
    // What ran in the pause changed the text: the offsets the edit goes by no longer hold.
    if (document.getChangeCount() != changes)
        m_stopped = true;
    m_last = ::GetTickCount();
    return !m_stopped;
}

} // namespace tessel
