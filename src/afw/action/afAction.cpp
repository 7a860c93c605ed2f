#include "afw/action/afAction.h"

#include "afw/action/afActionRegistry.h"
#include "afw/action/afActionTrigger.h"
#include "service/parser/base/ScopeSelector.h"

#include <algorithm>

// ---- Handlers

afActionHandler::afActionHandler(afActionRegistry* registry, const wchar_t* name)
    : afActionHandler(registry, afFindOrCreateActionContext(name, registry)) {}

afActionHandler::afActionHandler(afActionRegistry* registry, afActionContext* context)
    : m_registry(registry), m_context(context) {}

afActionHandler::~afActionHandler() {
    if (m_context && m_context->object == this)
        m_context->object = nullptr;
}

void afActionHandler::attachActionHandler() {
    if (m_context)
        m_context->object = this;
}

// ---- Actions

afAction::afAction(uint32_t origin, const wchar_t* name, uint32_t presentation, afActionContext* handler, RunOp runOp,
                   StateOp stateOp, const wchar_t* contextText)
    : m_origin(origin), m_name(name ? name : L""), m_contextText(contextText ? contextText : L""),
      m_presentation(presentation), m_handler(handler), m_runOp(std::move(runOp)), m_stateOp(std::move(stateOp)) {
    m_selector.reset(new tessel::ScopeSelector(m_contextText));
}

afAction::~afAction() = default;

void afAction::addTrigger(afActionTrigger* trigger) {
    if (trigger && !hasTrigger(trigger))
        m_triggers.push_back(trigger);
}

void afAction::removeTrigger(afActionTrigger* trigger) {
    const auto found = std::find(m_triggers.begin(), m_triggers.end(), trigger);
    if (found != m_triggers.end())
        m_triggers.erase(found);
}

bool afAction::hasTrigger(const afActionTrigger* trigger) const {
    return std::find(m_triggers.begin(), m_triggers.end(), trigger) != m_triggers.end();
}

afActionTrigger* afAction::findTrigger(uint32_t kind) const {
    for (afActionTrigger* trigger : m_triggers)
        if (trigger->kind == kind)
            return trigger;
    return nullptr;
}

bool afAction::run(afActionEvent& event) {
    afActionHandler* handler = getHandlerObject();
    if (!handler || !m_runOp)
        return false;
    // A copy: the operation may unregister this action, and with it the stored one.
    const RunOp run = m_runOp;
    return run(*handler, event);
}

bool afAction::isEnabled() const {
    afActionHandler* handler = getHandlerObject();
    if (!handler)
        return false;
    return !m_stateOp || m_stateOp(*handler);
}

afActionSystem::afActionSystem(const wchar_t* title, afActionContext* handler, const wchar_t* name,
                               const wchar_t* contextText, RunOp runOp, StateOp stateOp)
    : afAction(1, name, PRESENTATION_PLAIN, handler, std::move(runOp), std::move(stateOp), contextText),
      m_title(title ? title : L"") {}

std::wstring afActionSystem::getCategory() const {
    static const std::wstring category = L"Tessel";
    return category;
}
