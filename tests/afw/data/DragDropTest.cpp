#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectText.h"
#include "afw/data/afDragScope.h"
#include "afw/data/afDropSource.h"
#include "afw/data/afDropTarget.h"
#include "afw/support/OleTest.h"
#include "afw/support/TestViews.h"
#include "support/LogCapture.h"

#include <stdexcept>
#include <vector>

using namespace tessel_test;

namespace {

ULONG referencesOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// The owner of a target: records what reaches it, answers as told, pulls the data at a drop.
struct Owner {
    afDropAction onOver(afDropTarget*, const afDropInfo&, uint32_t, afDropAction current) {
        if (throwOnOver)
            throw std::runtime_error("over");
        return current;
    }
    afDropAction onData(afDropTarget* target, const afDropInfo&, uint32_t, afDropAction action) {
        calls += "data ";
        dataAction = action;
        if (afDataObject* data = target->getData())
            pulled = static_cast<afDataObjectText*>(data)->getText();
        if (deleteOnData)
            delete target;
        if (throwOnData)
            throw std::runtime_error("data");
        return dataAnswer ? dataAnswer : action;
    }
    void onLeave(afDropTarget*) { calls += "leave "; }

    afDropTarget* attach(afDropTarget* target) {
        target->setDataDelegate(afDropTarget::ActionDelegate::bind<Owner, &Owner::onData>(this));
        target->setOverDelegate(afDropTarget::ActionDelegate::bind<Owner, &Owner::onOver>(this));
        target->setLeaveDelegate(afDropTarget::LeaveDelegate::bind<Owner, &Owner::onLeave>(this));
        return target;
    }

    std::string calls;
    afDropAction dataAnswer = AF_DROP_REFUSED, dataAction = AF_DROP_REFUSED;
    bool throwOnOver = false, throwOnData = false, deleteOnData = false;
    std::wstring pulled;
};

class DragDropTest : public OleTest {
protected:
    // The effects a drag offers, the keys held through it, and the effect the target answers.
    struct Row {
        DWORD offered, keys, expected;
    };
    // Each row's drag entered, moved and dropped on a target whose owner takes the action the
    // standard rule decides: every answer is the row's.
    void expectRows(const std::vector<Row>& rows) {
        Owner owner;
        afDropTarget target(new afDataObjectText, true);
        owner.attach(&target);
        target.setOverDelegate(afDropTarget::ActionDelegate());
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            DWORD effects[] = {row.offered, row.offered, row.offered};
            EXPECT_EQ(S_OK, target.getComObject()->DragEnter(m_dragged.getComObject(), row.keys, m_point, &effects[0]));
            EXPECT_EQ(S_OK, target.getComObject()->DragOver(row.keys, m_point, &effects[1]));
            EXPECT_EQ(S_OK, target.getComObject()->Drop(m_dragged.getComObject(), row.keys & ~(MK_LBUTTON | MK_RBUTTON),
                                                         m_point, &effects[2]));
            for (DWORD effect : effects)
                EXPECT_EQ(row.expected, effect) << "row " << i;
        }
    }

    afDataObjectText m_dragged{L"dropped text"};
    POINTL m_point = {10, 20};
};

// A drag this process runs (a tab, an item of its own) keeps the framework's rule.
TEST_F(DragDropTest, TheDefaultRuleFollowsTheAllowedActionsAndTheKeysHeld) {
    const afDragScope ownDrag(&m_dragged);
    const DWORD copyMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    expectRows({
        {copyMove, MK_LBUTTON, DROPEFFECT_MOVE},
        {copyMove, MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY},
        {copyMove, MK_LBUTTON | MK_SHIFT, DROPEFFECT_MOVE},
        {copyMove, MK_RBUTTON | MK_ALT, DROPEFFECT_NONE},
        {DROPEFFECT_COPY, MK_LBUTTON, DROPEFFECT_NONE},
        {DROPEFFECT_COPY, MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY},
        {copyMove | DROPEFFECT_LINK, MK_LBUTTON | MK_CONTROL | MK_SHIFT, DROPEFFECT_LINK},
        {copyMove, MK_LBUTTON | MK_CONTROL | MK_SHIFT, DROPEFFECT_COPY},
        {DROPEFFECT_MOVE, MK_LBUTTON | MK_CONTROL, DROPEFFECT_NONE},
        {DROPEFFECT_NONE, MK_LBUTTON, DROPEFFECT_NONE},
    });
    EXPECT_EQ(0x302u, afDropInfo::make(MK_RBUTTON | MK_MBUTTON | MK_CONTROL | MK_SHIFT, m_point).getKeys());
}

// Data from another program is copied unless Shift alone asks to move it: a source told "move"
// deletes its own copy. A running drag of another data object of this process changes nothing.
TEST_F(DragDropTest, DataFromAnotherProgramIsCopiedUnlessShiftAsksToMoveIt) {
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    afDataObjectText other(L"another drag of this process");
    const afDragScope otherDrag(&other);
    expectRows({
        {all, MK_LBUTTON, DROPEFFECT_COPY},
        {all, MK_LBUTTON | MK_SHIFT, DROPEFFECT_MOVE},
        {all, MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY},
        {all, MK_LBUTTON | MK_CONTROL | MK_SHIFT, DROPEFFECT_COPY},
        {all, MK_RBUTTON | MK_ALT, DROPEFFECT_COPY},
        {DROPEFFECT_COPY, MK_LBUTTON, DROPEFFECT_COPY},
        {DROPEFFECT_COPY, MK_LBUTTON | MK_SHIFT, DROPEFFECT_COPY},
        {DROPEFFECT_MOVE, MK_LBUTTON, DROPEFFECT_NONE},
        {DROPEFFECT_MOVE, MK_LBUTTON | MK_SHIFT, DROPEFFECT_MOVE},
        {DROPEFFECT_LINK, MK_LBUTTON | MK_CONTROL | MK_SHIFT, DROPEFFECT_NONE},
        {DROPEFFECT_NONE, MK_LBUTTON | MK_SHIFT, DROPEFFECT_NONE},
    });
}

TEST_F(DragDropTest, ACtrlDropCarriesTheTextToTheDataDelegateAndARefusedActionDropsNothing) {
    Owner owner;
    afDropTarget target(new afDataObjectText, true);
    owner.attach(&target);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target.getComObject()->DragEnter(m_dragged.getComObject(), MK_LBUTTON | MK_CONTROL, m_point, &effect);
    EXPECT_EQ(S_OK, target.getComObject()->Drop(m_dragged.getComObject(), MK_CONTROL, m_point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), effect);
    EXPECT_EQ("data leave ", owner.calls);
    EXPECT_EQ(AF_DROP_COPY, owner.dataAction);
    EXPECT_EQ(L"dropped text", owner.pulled);
    EXPECT_EQ(nullptr, target.getData()) << "the dragged object is gone after the drop";

    // A data delegate that answers copy to a drag that allows only move drops nothing.
    owner.calls.clear();
    owner.dataAnswer = AF_DROP_COPY;
    LogCapture log;
    effect = DROPEFFECT_MOVE;
    target.getComObject()->DragEnter(m_dragged.getComObject(), MK_LBUTTON | MK_SHIFT, m_point, &effect);
    EXPECT_EQ(DWORD(DROPEFFECT_MOVE), effect);
    target.getComObject()->Drop(m_dragged.getComObject(), 0, m_point, &effect);
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    EXPECT_EQ("data leave ", owner.calls);
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(L"__IDropTarget::checkAction: Action returned by drop data (4) is not allowed source action (9)!\n",
              log.lines()[0].text);
}

// Every way a drag over a target can end leaves the dragged object as it found it.
TEST_F(DragDropTest, EveryPathReleasesTheDraggedObject) {
    IDataObject* data = m_dragged.getComObject();
    const ULONG before = referencesOf(data);
    ErrorRecorder errors;
    enum Path { LEAVE, THROW_OVER, THROW_DATA, DELETE_BEFORE_DROP, DELETE_IN_DROP, NOT_ACCEPTED };
    for (Path path : {LEAVE, THROW_OVER, THROW_DATA, DELETE_BEFORE_DROP, DELETE_IN_DROP, NOT_ACCEPTED}) {
        Owner owner;
        owner.throwOnOver = path == THROW_OVER;
        owner.throwOnData = path == THROW_DATA;
        owner.deleteOnData = path == DELETE_IN_DROP;
        afDataObject* receiver = path == NOT_ACCEPTED ? static_cast<afDataObject*>(new afDataObjectFiles)
                                                      : new afDataObjectText;
        auto* target = owner.attach(new afDropTarget(receiver, true));
        IDropTarget* com = target->getComObject();
        com->AddRef();
        DWORD effect = DROPEFFECT_COPY;
        com->DragEnter(data, MK_LBUTTON | MK_CONTROL, m_point, &effect);
        EXPECT_EQ(S_OK, com->DragOver(MK_LBUTTON | MK_CONTROL, m_point, &effect));
        EXPECT_EQ(DWORD(path == THROW_OVER || path == NOT_ACCEPTED ? DROPEFFECT_NONE : DROPEFFECT_COPY), effect) << path;
        if (path == DELETE_BEFORE_DROP)
            delete target;
        if (path == LEAVE) {
            EXPECT_EQ(S_OK, com->DragLeave());
        } else {
            EXPECT_EQ(S_OK, com->Drop(data, MK_CONTROL, m_point, &effect));
            EXPECT_EQ(DWORD(path == DELETE_IN_DROP ? DROPEFFECT_COPY : DROPEFFECT_NONE), effect) << path;
        }
        EXPECT_EQ(before, referencesOf(data)) << path;
        if (path != DELETE_BEFORE_DROP && path != DELETE_IN_DROP)
            delete target;
        EXPECT_EQ(0u, com->Release()) << path;
    }
    // Over throws in DragOver and again in Drop, which decides as over does; data throws once.
    EXPECT_EQ(3u, errors.texts.size());
}

TEST_F(DragDropTest, TheSourceGoesOnWhileTheButtonsOfTheDragAreHeld) {
    afDropSource source(&m_dragged);
    IDropSource* com = source.getComObject();
    EXPECT_EQ(S_OK, com->QueryContinueDrag(FALSE, MK_RBUTTON));
    EXPECT_EQ(S_OK, com->QueryContinueDrag(FALSE, MK_RBUTTON | MK_LBUTTON | MK_CONTROL));
    EXPECT_EQ(DRAGDROP_S_DROP, com->QueryContinueDrag(FALSE, MK_LBUTTON)) << "the right button of the drag is up";
    EXPECT_EQ(DRAGDROP_S_CANCEL, com->QueryContinueDrag(TRUE, MK_RBUTTON));
    EXPECT_EQ(DRAGDROP_S_USEDEFAULTCURSORS, com->GiveFeedback(DROPEFFECT_COPY));
}

class DragWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    }
    void TearDown() override { ::OleUninitialize(); }
};

// Under Wine a queued Escape ends the system's drag loop at once; its loop cannot be driven to
// a real drop.
TEST_F(DragWindowTest, EscapeEndsARealDragAsCancelled) {
    afDataObjectText dragged(L"text");
    afDropSource source(&dragged);
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(AF_DROP_CANCELLED, source.drag(AF_DROP_COPY | AF_DROP_MOVE));
}

TEST_F(DragWindowTest, APlatformViewRegistersItsTargetWhileItsWindowLives) {
    afTestWindow window;
    auto* target = new afDropTarget(new afDataObjectText, true);
    window.setDropTarget(target);
    window.build();
    EXPECT_EQ(&window, target->getView());
    EXPECT_EQ(DRAGDROP_E_ALREADYREGISTERED, ::RegisterDragDrop(window.getHandle(), target->getComObject()));
    window.setDropTarget(nullptr);
    EXPECT_EQ(DRAGDROP_E_NOTREGISTERED, ::RevokeDragDrop(window.getHandle())) << "revoked with the target";
}

} // namespace
