#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "afw/tree/afControlTree.h"
#include "afw/tree/afControlTreeItem.h"
#include "support/OtherProcess.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

using namespace tessel_test;

namespace {

// Counts the owned data objects alive.
struct Counted : pel::Object {
    explicit Counted(int& alive) : alive(alive) { ++alive; }
    ~Counted() override { --alive; }
    int& alive;
};

class TreeTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(0, 0, 300, 240));
        tree = afControlTree::createInstance(window.get());
        window->setContentView(tree);
        settle(*window);
        afControlTree::Delegates& d = tree->delegates();
        d.expanding = decltype(d.expanding)::bind<TreeTest, &TreeTest::onExpanding>(this);
        d.canRename = afControlTree::ItemQuery::bind<TreeTest, &TreeTest::onCanRename>(this);
        d.rename = afControlTree::EditDecision::bind<TreeTest, &TreeTest::onRename>(this);
        d.nameNewItem = afControlTree::EditDecision::bind<TreeTest, &TreeTest::onRename>(this);
        d.editEnds = afControlTree::ItemCall::bind<TreeTest, &TreeTest::onEditEnds>(this);
        d.activate = afControlTree::ItemQuery::bind<TreeTest, &TreeTest::onActivate>(this);
        d.checkChanged = decltype(d.checkChanged)::bind<TreeTest, &TreeTest::onCheck>(this);
        d.contextMenu = decltype(d.contextMenu)::bind<TreeTest, &TreeTest::onContextMenu>(this);
    }

    bool onExpanding(afControlTreeItem* item, bool expanding) {
        if (expanding && expandingHook)
            expandingHook(item);
        return true;
    }
    bool onCanRename(afControlTreeItem*) { return true; }
    bool onRename(afControlTreeItem*, const std::wstring&, bool) { return accept; }
    void onEditEnds(afControlTreeItem*) { ++editEnds; }
    bool onActivate(afControlTreeItem* item) {
        activated.push_back(item);
        return true;
    }
    void onCheck(afControlTreeItem*, bool checked) { checks.push_back(checked); }
    void onContextMenu(afControlTreeItem* item, int, int) { menuItems.push_back(item); }

    // Edits the label in place and ends the edit with the text, or cancels it.
    void edit(afControlTreeItem* item, const std::wstring& text, bool cancel) {
        tree->editItem(item);
        HWND box = reinterpret_cast<HWND>(::SendMessageW(tree->getHandle(), TVM_GETEDITCONTROL, 0, 0));
        ASSERT_NE(nullptr, box);
        ASSERT_TRUE(tree->isEditing());
        ::SetWindowTextW(box, text.c_str());
        ::SendMessageW(tree->getHandle(), TVM_ENDEDITLABELNOW, cancel, 0);
        ASSERT_FALSE(tree->isEditing());
    }
    afControlTreeItem* path(const std::wstring& text) { return tree->findItemByPath(nullptr, text); }

    std::unique_ptr<afTestWindow> window;
    afControlTree* tree = nullptr;
    std::function<void(afControlTreeItem*)> expandingHook;
    bool accept = true;
    int editEnds = 0;
    std::vector<afControlTreeItem*> activated, menuItems;
    std::vector<bool> checks;
};

TEST_F(TreeTest, PathsStateAndPendingExpansion) {
    afControlTreeItem* src = tree->insertItem(nullptr, L"src");
    afControlTreeItem* lib = tree->insertItem(src, L"lib");
    afControlTreeItem* deep = tree->insertItem(lib, L"deep");
    tree->insertItem(deep, L"file");
    EXPECT_EQ(L"\\src\\lib", tree->getItemPath(lib));
    EXPECT_EQ(lib, path(L"src\\\\lib\\"));
    EXPECT_EQ(lib, path(L"\\src\\lib\\gone\\deeper")) << "the deepest item reached";
    EXPECT_EQ(nullptr, path(L"\\nothing"));
    EXPECT_EQ(src, tree->findItemByPath(src, L"\\nothing"));
    EXPECT_EQ(nullptr, path(L""));

    // Expanding an item without children only marks it; its first child opens it at once.
    afControlTreeItem* empty = tree->insertItem(nullptr, L"empty");
    tree->expandItem(empty, true);
    EXPECT_TRUE(tree->isItemExpanded(empty));
    tree->insertItem(empty, L"late");
    EXPECT_TRUE(tree->isItemExpanded(empty));

    tree->expandItem(src, true);
    tree->expandItem(lib, true);
    tree->expandItem(deep, true);
    tree->selectItem(deep);
    afControlTreeState state;
    tree->saveState(state);
    EXPECT_EQ((std::vector<std::wstring>{L"\\src", L"\\src\\lib", L"\\src\\lib\\deep", L"\\empty"}), state.expanded);
    EXPECT_EQ(L"\\src\\lib\\deep", state.selected);

    // A path to a deleted folder restores to its nearest existing ancestor.
    tree->removeAllItems();
    src = tree->insertItem(nullptr, L"src");
    lib = tree->insertItem(src, L"lib");
    tree->insertItem(lib, L"other");
    tree->restoreState(state);
    EXPECT_TRUE(tree->isItemExpanded(lib));
    EXPECT_EQ(lib, tree->getSelectedItem());
}

TEST_F(TreeTest, EditsRenameNameAndRemoveRefusedNewItems) {
    afControlTreeItem* item = tree->insertItem(nullptr, L"old");
    edit(item, L"first", false);
    edit(item, L"second", false);
    EXPECT_EQ(L"second", item->getText()) << "two renames in a row";
    accept = false;
    edit(item, L"third", false);
    EXPECT_EQ(L"second", item->getText());
    EXPECT_EQ(3, editEnds);

    accept = true;
    afControlTreeItem* named = tree->insertItem(nullptr, L"");
    named->setFlag(afControlTreeItem::FLAG_NEW, true);
    edit(named, L"named", false);
    EXPECT_FALSE(named->isNew());
    afControlTreeItem* cancelled = tree->insertItem(nullptr, L"");
    cancelled->setFlag(afControlTreeItem::FLAG_NEW, true);
    edit(cancelled, L"x", true);
    EXPECT_EQ(5, editEnds) << "told also of the cancelled naming";
    EXPECT_EQ(nullptr, path(L"\\x"));
    EXPECT_EQ(2, tree->getItemCount());
}

TEST_F(TreeTest, ActivationChecksContextMenusAndThePlaceholder) {
    tree->setStyleBits(TVS_CHECKBOXES, true);
    afControlTreeItem* folder = tree->insertItem(nullptr, L"folder");
    afControlTreeItem* leaf = tree->insertItem(folder, L"leaf");
    tree->insertItem(leaf, L"leafchild");
    tree->expandItem(folder, true);

    // A double click activates and never toggles the expansion.
    RECT row = {};
    ASSERT_TRUE(tree->getItemRect(folder, true, &row));
    ::SendMessageW(tree->getHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.left + 2, row.top + 2));
    EXPECT_EQ((std::vector<afControlTreeItem*>{folder}), activated);
    EXPECT_TRUE(tree->isItemExpanded(folder));

    // Space on a checked item: told once with false, and the item ends unchecked.
    tree->setItemChecked(leaf, true);
    tree->selectItem(leaf);
    ::SendMessageW(tree->getHandle(), WM_KEYDOWN, VK_SPACE, 1);
    ::SendMessageW(tree->getHandle(), WM_CHAR, L' ', 1);
    ::SendMessageW(tree->getHandle(), WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_EQ((std::vector<bool>{false}), checks);
    EXPECT_FALSE(tree->isItemChecked(leaf));

    // A right click on empty space: no item, and the selection comes back afterwards.
    POINT empty = {150, 200};
    ::ClientToScreen(tree->getHandle(), &empty);
    ::SetCursorPos(empty.x, empty.y);
    ::PostMessageW(tree->getHandle(), WM_NULL, 0, 0);
    settle(*window);
    NMHDR click = {tree->getHandle(), 0, static_cast<UINT>(NM_RCLICK)};
    EXPECT_EQ(1, ::SendMessageW(window->getHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click)));
    EXPECT_EQ((std::vector<afControlTreeItem*>{nullptr}), menuItems);
    EXPECT_EQ(leaf, tree->getSelectedItem());

    // Removing a folder with children brings the placeholder back.
    EXPECT_FALSE(tree->isShowingEmpty());
    tree->removeItem(folder);
    EXPECT_EQ(0, tree->getItemCount());
    EXPECT_TRUE(tree->isShowingEmpty());
}

TEST_F(TreeTest, PixelsOfThePlaceholderAndOfTheRowIcons) {
    tree->setEmptyText(L"No folders");
    const afRect frame = tree->getFrame();
    DibSurface empty(frame.width(), frame.height(), 0x123456);
    ASSERT_TRUE(tree->onDraw(*afCanvas::fromDC(empty.dc()), nullptr));
    const uint32_t background = DibSurface::pixelOf(afGetStockColour(26));
    const uint32_t grey = DibSurface::pixelOf(afGetStockColour(9));
    EXPECT_EQ(background, empty.rgb(2, 2));
    const int top = 20 + static_cast<int>((frame.height() - 40) * 0.236);
    EXPECT_EQ(0, empty.count(RECT{20, 0, frame.width() - 20, top}, grey)) << "nothing above the lowered text";
    EXPECT_GT(empty.count(RECT{20, top, frame.width() - 20, frame.height() - 20}, grey), 0);

    const afIcon red = solidIcon(16, 0xFF0000), blue = solidIcon(16, 0x0000FF);
    afControlTreeItem* item = tree->insertItem(nullptr, L"item");
    item->addIcon(&red);
    item->addIcon(&blue);
    tree->reserveIconSlots();
    DibSurface drawn(frame.width(), frame.height(), 0x123456);
    ASSERT_FALSE(tree->onDraw(*afCanvas::fromDC(drawn.dc()), nullptr)) << "a tree with items paints itself";
    tree->printClient(*afCanvas::fromDC(drawn.dc()));
    RECT text = {};
    ASSERT_TRUE(tree->getItemRect(item, true, &text));
    RECT client = {};
    ::GetClientRect(tree->getHandle(), &client);
    const int x = std::max<int>(text.right + 4, client.right - 2 * 16 - 4);
    const int y = text.top + ((text.bottom - text.top - 16) >> 1);
    EXPECT_EQ(0xFF0000u, drawn.rgb(x + 8, y + 8));
    EXPECT_EQ(0x0000FFu, drawn.rgb(x + 24, y + 8));
    EXPECT_NE(0xFF0000u, drawn.rgb(x - 1, y + 8));
}

// What the screen shows of the tree after its rows closed: the one row left on the window
// colour, nothing of the rows that were there before. The screen gets what a window drew a
// moment later: the look is waited for.
TEST_F(TreeTest, ARepaintCoversTheAreaBelowTheRowsThatWent) {
    afControlTreeItem* folder = tree->insertItem(nullptr, L"a folder of a rather long name");
    for (const wchar_t* text : {L"first child of the folder", L"second child of the folder"})
        tree->insertItem(folder, text);
    const uint32_t ground = DibSurface::pixelOf(afGetStockColour(26));
    const int rowHeight = static_cast<int>(::SendMessageW(tree->getHandle(), TVM_GETITEMHEIGHT, 0, 0));
    tree->expandItem(folder, true);
    Capture seen;
    ASSERT_TRUE(pumpUntil(
        [&] {
            seen = Capture::of(tree->getHandle());
            return seen.height > 3 * rowHeight &&
                   seen.count(RECT{0, 2 * rowHeight, seen.width, 3 * rowHeight}, ground) < seen.width * rowHeight;
        },
        5000))
        << "the children never showed";
    tree->expandItem(folder, false);
    EXPECT_TRUE(pumpUntil(
        [&] {
            seen = Capture::of(tree->getHandle());
            const int below = seen.width * (seen.height - rowHeight);
            return seen.height > rowHeight && seen.count(RECT{0, rowHeight, seen.width, seen.height}, ground) == below;
        },
        5000))
        << "something but the window colour stayed below the one row";
}

TEST_F(TreeTest, DestroyingTheWindowDeletesEveryItemAndOwnedData) {
    int alive = 0;
    int deleted = 0;
    struct Deleted {
        static void count(void* counter, afControlTreeItem*) { ++*static_cast<int*>(counter); }
    };
    tree->delegates().itemDeleted = afControlTree::ItemCall::fromFunction(&deleted, &Deleted::count);
    afControlTreeItem* parent = nullptr;
    for (int i = 0; i < 10; ++i) {
        afControlTreeItem* item = tree->insertItem(parent, L"n" + std::to_wstring(i));
        item->setData(new Counted(alive), true);
        parent = i % 3 ? parent : item;
    }
    EXPECT_EQ(10, alive);
    window.reset();
    EXPECT_EQ(0, alive);
    EXPECT_EQ(10, deleted);
}

// Random steps against a model tree of texts with expanded and pending flags.
TEST_F(TreeTest, RandomStepsMatchAModelTree) {
    struct Node {
        std::wstring text;
        std::vector<Node> children;
        bool expanded = false, pending = false;
        int lazy = 0;
    };
    Node root;
    int serial = 0;
    std::mt19937 random(128);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto name = [&] { return L"n" + std::to_wstring(++serial); };
    // The model node and the tree item along the same child indexes.
    std::function<void(Node&, afControlTreeItem*, std::vector<std::pair<Node*, afControlTreeItem*>>&)> collect =
        [&](Node& node, afControlTreeItem* item, std::vector<std::pair<Node*, afControlTreeItem*>>& out) {
            afControlTreeItem* child = tree->getFirstChild(item);
            for (Node& sub : node.children) {
                out.push_back({&sub, child});
                if (child)
                    collect(sub, child, out);
                child = child ? tree->getNextSibling(child) : nullptr;
            }
        };
    auto all = [&] {
        std::vector<std::pair<Node*, afControlTreeItem*>> out;
        collect(root, nullptr, out);
        return out;
    };
    std::function<void(afControlTreeItem*, const Node&)> build = [&](afControlTreeItem* parent, const Node& node) {
        for (const Node& sub : node.children)
            build(tree->insertItem(parent, sub.text), sub);
    };
    auto nodeOf = [&](afControlTreeItem* item) -> Node* {
        for (auto& entry : all())
            if (entry.second == item)
                return entry.first;
        return nullptr;
    };
    // Lazy children come from the expanding delegate.
    expandingHook = [&](afControlTreeItem* item) {
        Node* node = nodeOf(item);
        if (!node || !node->lazy)
            return;
        node->lazy = 0;
        Node lazy;
        lazy.text = name();
        node->children.push_back(lazy);
        tree->insertItem(item, lazy.text);
    };
    Node saved;
    afControlTreeState state;
    int restores = 0;
    for (int step = 0; step < 500; ++step) {
        auto nodes = all();
        const int count = static_cast<int>(nodes.size());
        const int op = pick(10);
        const int chosen = count ? pick(count) : 0;
        Node* node = count ? nodes[chosen].first : nullptr;
        afControlTreeItem* item = count ? nodes[chosen].second : nullptr;
        if (op <= 2 || !item) {
            Node& parent = item && pick(4) ? *node : root;
            Node added;
            added.text = name();
            added.lazy = pick(2);
            const bool opens = &parent != &root && parent.children.empty() && parent.pending;
            parent.children.push_back(added);
            Node* opened = opens ? &parent : nullptr;
            tree->insertItem(&parent == &root ? nullptr : item, added.text);
            if (opened)
                nodeOf(item)->expanded = true;
        } else if (op == 3) {
            std::function<bool(Node&)> erase = [&](Node& from) {
                for (auto at = from.children.begin(); at != from.children.end(); ++at) {
                    if (&*at == node) {
                        // The tree view keeps the parent's expanded state for a child to come.
                        from.children.erase(at);
                        return true;
                    }
                    if (erase(*at))
                        return true;
                }
                return false;
            };
            erase(root);
            tree->removeItem(item);
        } else if (op <= 5) {
            const bool expand = !(node->children.empty() ? node->pending : node->expanded);
            if (node->children.empty())
                node->pending = expand;
            else
                node->expanded = expand;
            tree->expandItem(item, expand);
        } else if (op == 6) {
            const bool cancel = pick(3) == 0;
            accept = pick(4) != 0;
            const std::wstring text = name();
            // Editing shows the item: its folders open.
            for (afControlTreeItem* up = tree->getParent(item); up; up = tree->getParent(up))
                nodeOf(up)->expanded = true;
            edit(item, text, cancel);
            if (accept && !cancel)
                nodeOf(item)->text = text;
        } else if (op == 7) {
            saved = root;
            tree->saveState(state);
        } else if (op == 8 && !saved.children.empty()) {
            // Clear, rebuild from the saved model, restore.
            tree->removeAllItems();
            EXPECT_TRUE(tree->isShowingEmpty());
            root = saved;
            std::function<void(Node&)> settleFlags = [&](Node& n) {
                n.lazy = 0;
                n.expanded = !n.children.empty() && n.expanded;
                for (Node& sub : n.children)
                    settleFlags(sub);
            };
            settleFlags(root);
            build(nullptr, root);
            tree->restoreState(state);
            ASSERT_EQ(path(state.selected), tree->getSelectedItem()) << "step " << step;
            ASSERT_EQ(path(state.firstVisible), tree->getFirstVisible()) << "step " << step;
            ++restores;
        }
        nodes = all();
        ASSERT_EQ(static_cast<int>(nodes.size()), tree->getItemCount()) << "step " << step;
        ASSERT_EQ(nodes.empty(), tree->isShowingEmpty()) << "step " << step;
        for (auto& entry : nodes) {
            ASSERT_NE(nullptr, entry.second) << "step " << step;
            ASSERT_EQ(entry.first->text, entry.second->getText()) << "step " << step;
            const bool expanded = entry.first->children.empty() ? entry.first->pending : entry.first->expanded;
            ASSERT_EQ(expanded, tree->isItemExpanded(entry.second)) << "step " << step << " " << tree->getItemPath(entry.second);
        }
    }
    EXPECT_GT(restores, 10);
}

} // namespace
