#include "app/LongEditPauses.h"

#include "bundles/ToolStripStatus.h"

#include "afw/view/afView.h"

namespace tessel {

LongEditPauses::~LongEditPauses() {
    afMainLoop::cancel(this);
}

void LongEditPauses::begin() {
    m_edits.emplace_back();
    m_edits.back().begun = ::GetTickCount();
    m_edits.back().count.reset(new afMainLoop::Count(this, L"LongEditPauses' edits", [this] { leave(); }));
}

void LongEditPauses::end() {
    if (m_edits.empty())
        return;
    // Giving the count back leaves the edit.
    std::unique_ptr<afMainLoop::Count> count = std::move(m_edits.back().count);
    count.reset();
}

void LongEditPauses::leave() {
    const Edit edit = std::move(m_edits.back());
    m_edits.pop_back();
    if (m_edits.empty())
        m_stopping = false;
    m_messages.leave(m_view, edit.activity, edit.holding, m_edits.empty());
}

void LongEditPauses::stopAll() {
    if (!m_edits.empty())
        m_stopping = true;
}

bool LongEditPauses::pause(const std::wstring& progress) {
    if (m_edits.empty())
        return true;
    {
        Edit& edit = m_edits.back();
        if (!edit.paused) {
            // Every window, the dialog the edit was started from too: a command given meanwhile
            // would change the text under it.
            edit.paused = true;
            edit.holding = m_edits.size() == 1 && m_view;
            if (edit.holding)
                m_view->disableEnclosingWindows(true);
        }
        if (::GetTickCount() - edit.begun >= HeldMessages::ACTIVITY_DELAY_MS) {
            if (!edit.activity)
                edit.activity = ToolStripStatus::addActivity(progress);
            else
                ToolStripStatus::setActivityText(edit.activity, progress);
        }
    }
    const afMainLoop::Nested loop;
    m_messages.pump([this](const MSG& msg) { return look(msg); });
    return !m_stopping;
}

bool LongEditPauses::look(const MSG& msg) {
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE) {
        m_stopping = true;
        return true;
    }
    if (msg.message == WM_QUIT || (msg.message == WM_CLOSE && msg.hwnd && !::GetParent(msg.hwnd)))
        m_stopping = true;
    return false;
}

} // namespace tessel
