#pragma once
// Where the caret goes for each movement kind (by character and word stops of the laid-out
// line, by display line under the remembered x, to line and document ends), and the runner
// that hands the target to the selection of the editor's controller.

#include "service/document/controller/TextPosition.h"

#include <cstdint>

namespace tessel {

class Editor;
class EditorCmd;

enum CaretMovement {
    MOVE_CHAR_RIGHT = 1,
    MOVE_CHAR_LEFT = 2,
    MOVE_CHAR_LEFT_IN_LINE = 3,
    MOVE_WORD_RIGHT = 4,
    MOVE_WORD_LEFT = 5,
    MOVE_WORD_LEFT_IN_LINE = 6,
    MOVE_LINE_UP = 7,
    MOVE_LINE_DOWN = 8,
    MOVE_PAGE_UP = 9,
    MOVE_PAGE_DOWN = 10,
    MOVE_LINE_END = 11,
    MOVE_LINE_HOME = 12,
    MOVE_DOCUMENT_HOME = 17,
    MOVE_DOCUMENT_END = 18,
};

// The target of a movement from a position of the attached controller (its lock held);
// o_horizontal tells a horizontal move from a vertical one. byCell: a vertical move lands on the
// start of the character under the x (a column's edge), not on the caret stop nearest to it.
TextPosition computeCaretTarget(Editor& editor, const TextPosition& from, int movement, bool allowVirtual,
                                int32_t rememberedX, bool* o_horizontal, bool byCell = false);
// Moves the caret of the attached controller: flags bit 1 allows virtual space, bits 2 and 3
// reach the view; false without a controller. A rectangle's vertical move from a caret, or on
// from a column of carets, keeps the column: the caret goes where the anchor's column falls on
// its new line, and the rectangle stays a column of carets (CARET_COLUMN).
bool runCaretCommand(Editor& editor, uint32_t behaviorId, int movement, uint8_t flags);
// Collapses a non-empty selection onto its end (forward) or start; false when it was empty.
bool collapseSelection(EditorCmd& handler, bool forward);

} // namespace tessel
