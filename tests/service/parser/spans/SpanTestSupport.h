#pragma once
// The span tests' pieces: a controller with a SpanManager, a snippet made in code from a
// snippet-like text ("foo(${1:a}, ${2}, ${1/(a)/A/g})", placeholders nested), and a check of the
// tree's shape that every test can run after an edit.

#include "service/document/controller/ControllerTestSupport.h"
#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanManager.h"
#include "service/parser/spans/SpanTransformation.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tessel_test {

class SpanTest : public ControllerTest {
protected:
    SpanTest() {
        controllers->setSpanManagerFactory([this](tessel::DocumentController& owner) {
            m_spans = new tessel::SpanManager(owner);
            return std::unique_ptr<tessel::ISpanManager>(m_spans);
        });
        controllers->deleteController(controller);
        controller = controllers->createController(*document);
    }

    tessel::SpanManager& manager() { return *m_spans; }
    std::wstring dump() {
        std::wstring out;
        manager().dump(out);
        return out;
    }

    // Inserts the snippet at offset in one edit, then moves to its first tab stop.
    tessel::SpanContext* insertSnippet(const std::wstring& snippet, int32_t offset,
                                       const std::wstring& name = L"app.document.context.snippet") {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        tessel::SpanManager& spans = manager();
        auto* context = new tessel::SpanContext(&spans.getRoot(), name, offset);
        context->setContextFlags(tessel::SpanContext::CAN_BE_ACTIVE | tessel::SpanContext::TAB_NAVIGABLE);
        size_t at = 0;
        build(*context, *context, snippet, at);
        for (const auto& mirror : m_mirrors)
            context->bindTabStop(mirror.first, mirror.second);
        m_mirrors.clear();
        context->syncAllMirrors(*controller);
        spans.setCurrentSpan(context);
        controller->gotoTabStop(true);
        return context;
    }

    // Every span lies in its parent, siblings are ordered and disjoint, the root spans the
    // text, every tab stop lists spans of the tree, and no span lives outside the tree.
    void checkTree() {
        tessel::SpanContext& root = manager().getRoot();
        ASSERT_EQ(0, root.getStart());
        ASSERT_EQ(document->getLength(), root.getLength());
        std::set<tessel::Span*> inTree;
        for (tessel::Span* span = &root; span; span = span->nextInTree(&root)) {
            inTree.insert(span);
            const tessel::Span* parent = span->getParent();
            if (parent) {
                ASSERT_LE(parent->getStart(), span->getStart());
                ASSERT_LE(span->getEnd(), parent->getEnd());
            }
            if (const tessel::Span* previous = span->getPrevious()) {
                ASSERT_LE(previous->getEnd(), span->getStart());
            }
        }
        for (tessel::Span* span : inTree) {
            if (span->getContext() != span)
                continue;
            for (const auto& entry : static_cast<const tessel::SpanContext*>(span)->getTabStops())
                for (const tessel::Span* each : entry.second->spans) {
                    ASSERT_TRUE(inTree.count(const_cast<tessel::Span*>(each)));
                    ASSERT_EQ(entry.first, each->getTabStop());
                }
        }
        ASSERT_EQ(inTree.size(), tessel::Span::liveCount());
    }

    // Selects the ranges in order (the last one the newest), in an edit of its own.
    void selectRanges(const std::vector<tessel::SelectionRange>& ranges) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        selection().applyRanges(ranges);
    }

    // The text of a span.
    std::wstring textOf(const tessel::Span& span) { return document->getText(span.getStart(), span.getLength()); }

private:
    tessel::SpanManager* m_spans = nullptr;
    std::vector<std::pair<tessel::Span*, int32_t>> m_mirrors; // bound once the primaries are

    void build(tessel::Span& parent, tessel::SpanContext& context, const std::wstring& text, size_t& at) {
        std::wstring plain;
        const auto flush = [&] {
            if (!plain.empty())
                parent.appendChild(new tessel::Span(static_cast<int32_t>(plain.size())), -1, true, plain.c_str());
            plain.clear();
        };
        while (at < text.size() && text[at] != L'}') {
            if (text.compare(at, 2, L"${") != 0) {
                plain += text[at++];
                continue;
            }
            flush();
            at += 2;
            const int32_t index = std::stoi(text.substr(at));
            at = text.find_first_not_of(L"0123456789", at);
            tessel::Span* span = nullptr;
            if (text[at] == L'/') {
                const size_t formatAt = text.find(L'/', at + 1) + 1;
                const size_t optionsAt = text.find(L'/', formatAt) + 1;
                const size_t end = text.find(L'}', optionsAt);
                span = new tessel::SpanTransformation(text.substr(at + 1, formatAt - at - 2),
                                                      text.substr(formatAt, optionsAt - formatAt - 1),
                                                      text.substr(optionsAt, end - optionsAt));
                at = end;
            } else {
                span = new tessel::Span();
            }
            parent.appendChild(span, -1, false, nullptr);
            // A placeholder with text is its stop's primary, wherever its mirrors are.
            if (text[at] == L':') {
                context.bindTabStop(span, index);
                build(*span, context, text, ++at);
            } else {
                m_mirrors.emplace_back(span, index);
            }
            ++at; // the closing brace
        }
        flush();
    }
};

} // namespace tessel_test
