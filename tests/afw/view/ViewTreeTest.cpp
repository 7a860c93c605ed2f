#include "afw/support/TestViews.h"
#include "afw/view/ObjectNode.h"
#include "afw/view/afWidget.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using tessel_test::ProbeView;
using tessel_test::thrown;

namespace {

struct Node : ObjectNode {
    Node(std::vector<int>* log, int id) : log(log), id(id) {}
    ~Node() override { log->push_back(id); }
    std::vector<int>* log;
    int id;
};

TEST(ObjectNode, RefusesWhatItCannotOwnAndDeletesWhatItOwnsFirstToLast) {
    std::vector<int> deleted;
    auto* owner = new Node(&deleted, 0);
    Node other(&deleted, 9);
    Node* nodes[] = {new Node(&deleted, 1), new Node(&deleted, 2), new Node(&deleted, 3)};
    for (Node* node : nodes)
        other.add(node);
    for (Node* node : nodes)
        owner->add(node); // taken over
    EXPECT_EQ(0u, other.getOwnedCount());
    EXPECT_EQ(L"Object node already owned. (1)", thrown([&] { owner->add(nodes[0]); }));
    EXPECT_EQ(L"Cannot add myself.", thrown([&] { owner->add(owner); }));
    EXPECT_EQ(L"Object node is not owned.", thrown([&] { other.remove(nodes[0]); }));
    delete nodes[1]; // leaves its owner
    EXPECT_EQ(2u, owner->getOwnedCount());
    delete owner;
    EXPECT_EQ((std::vector<int>{2, 0, 1, 3}), deleted);
}

TEST(ViewTree, AddsAndRemovesChildrenTellingEveryAncestor) {
    std::unique_ptr<ProbeView> root(new ProbeView);
    auto* middle = new ProbeView;
    root->addView(middle);
    auto *a = new ProbeView, *b = new ProbeView, *c = new ProbeView;
    middle->addView(a);
    middle->addView(b, -1);
    middle->addView(c, 7); // past the end: appended, and the real index is told
    EXPECT_EQ((std::vector<int>{0, 1, 2}), middle->added);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 2}), root->added);
    EXPECT_EQ(c, middle->getChildAt(2));
    EXPECT_TRUE(middle->isOwning(c));
    EXPECT_TRUE(c->getFlags() & afView::FLAG_ATTACHED);

    middle->addView(c); // already its parent: nothing at all
    EXPECT_EQ(3u, middle->added.size());
    EXPECT_EQ(L"View hierarchy corrupted.", thrown([&] { a->addView(root.get()); }));
    EXPECT_EQ(L"Removing view from invalid parent.", thrown([&] { root->removeView(a); }));

    root->addView(b, 0); // moves, ownership follows
    EXPECT_EQ(1, middle->removed);
    EXPECT_EQ(root.get(), b->getParent());
    EXPECT_TRUE(root->isOwning(b));
    EXPECT_EQ(b, root->getChildAt(0));
    EXPECT_EQ(c, a->getNextVisibleSibling());
    c->setVisible(false);
    EXPECT_EQ(nullptr, a->getNextVisibleSibling());

    middle->removeView(a);
    EXPECT_FALSE(a->getFlags() & afView::FLAG_ATTACHED);
    EXPECT_EQ(nullptr, a->getParent());
    EXPECT_TRUE(middle->isOwning(a)); // removal keeps the owner
}

TEST(ViewTree, APlatformChildWithoutAHostIsRefusedWithNothingChanged) {
    std::unique_ptr<ProbeView> root(new ProbeView), oldParent(new ProbeView);
    auto* widget = new afWidget(nullptr);
    std::unique_ptr<afWidget> owner(new afWidget(nullptr));
    owner->add(widget);
    EXPECT_EQ(L"Owner not found in tree. Owner is NULL.", thrown([&] { root->addView(widget); }));
    EXPECT_EQ(nullptr, widget->getParent());
    EXPECT_EQ(owner.get(), widget->getOwner());
    EXPECT_EQ(0, root->getChildCount());
}

TEST(ViewTree, DeletingAViewStillInTheTreeDetachesItWithASoftAssertion) {
    std::unique_ptr<ProbeView> root(new ProbeView);
    auto* child = new ProbeView;
    root->addView(child);
    tessel_test::LogCapture log;
    delete child;
    EXPECT_EQ(0, root->getChildCount());
    EXPECT_EQ(1, root->removed);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_NE(std::wstring::npos, log.lines()[0].text.find(L"A view has not been unbound from it's parent"));
}

class RootView : public ProbeView {
public:
    bool isContextRoot() const override { return true; }
};

TEST(ViewTree, ContextsListTheNamedViewsUpToTheContextRoot) {
    std::unique_ptr<ProbeView> outside(new ProbeView);
    outside->setName(L"outside");
    auto* root = new RootView;
    outside->addView(root);
    root->setName(L"window");
    auto* strip = new ProbeView;
    root->addView(strip);
    strip->setName(L"search_strip");
    auto* unnamed = new ProbeView;
    strip->addView(unnamed);
    auto* editor = new ProbeView;
    unnamed->addView(editor);
    editor->setName(L"editor");

    tessel::ScopePath& path = editor->getContexts();
    EXPECT_EQ(L"ui.view.virtual.window ui.view.virtual.search_strip ui.view.virtual.editor", path.toString());
    EXPECT_EQ(editor, afView::getSegmentView(path.segment(0)));
    EXPECT_EQ(strip, afView::getSegmentView(path.segment(1)));
    EXPECT_EQ(L"ui.view.virtual", unnamed->getContextId());
    EXPECT_EQ(L"ui.view.virtual.window ui.view.virtual.search_strip", unnamed->getContexts().toString());
}

TEST(ViewTree, HitTestsIncludeEveryEdge) {
    ProbeView view;
    view.setFrame(afRect(10, 20, 30, 40));
    const std::pair<POINT, bool> cases[] = {
        {{10, 20}, true}, {{30, 40}, true}, {{30, 20}, true}, {{20, 30}, true},
        {{9, 30}, false}, {{31, 30}, false}, {{20, 41}, false}, {{20, 19}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second ? &view : nullptr, view.findViewAt(c.first.x, c.first.y)) << c.first.x << "," << c.first.y;
}

TEST(ViewTree, OffsetsADescendantsRectangleThroughScrolledLevels) {
    std::unique_ptr<ProbeView> root(new ProbeView);
    afView* views[3] = {new ProbeView, new ProbeView, new ProbeView};
    afView* parent = root.get();
    for (int i = 0; i < 3; ++i) {
        parent->addView(views[i]);
        views[i]->setFrame(afRect(100 * (i + 1), 10 * (i + 1), 1000, 1000));
        views[i]->scrollTo(i + 1, 2 * (i + 1));
        parent = views[i];
    }
    afRect rect(1, 1, 2, 2);
    root->offsetDescendantRect(views[2], rect);
    EXPECT_EQ(afRect(1 + 600 - 6, 1 + 60 - 12, 2 + 600 - 6, 2 + 60 - 12), rect);
    root->offsetDescendantRect(root.get(), rect); // itself: unchanged
    EXPECT_EQ(595, rect.left);
    ProbeView stranger;
    EXPECT_EQ(L"Parameter must be a descendant of this view.",
              thrown([&] { root->offsetDescendantRect(&stranger, rect); }));
}

} // namespace
