#pragma once
// The one entry by which search commands act on a document: the editor's search subscriber
// calls it with the search user interface's record, the action's id and the direction. It
// configures the controller's search session from the record, gives it its area (the whole
// text, or the ranges of the selection) and finds, replaces or replaces all, in one edit
// transaction (a search that only selects leaves no undo step).

#include "pel/base/Crc.h"

#include <cstdint>

namespace tessel {

class DocumentController;
struct SearchActionRecord;

namespace search_actions {
constexpr uint32_t FIND = pel::crc32Literal("find");
constexpr uint32_t REPLACE = pel::crc32Literal("replace");
constexpr uint32_t REPLACE_ALL = pel::crc32Literal("replace_all");
// Find forwards from where the session stands, selecting what it finds (or a caret there).
constexpr uint32_t FIND_ON = 0xDCA052A9;
static_assert(FIND == 0xC9AE6404 && REPLACE == 0x0C9D2445 && REPLACE_ALL == 0x28A49668,
              "action ids are the search user interface's");
} // namespace search_actions

// Runs a search action on the controller's document; true when it found or replaced. Nothing
// happens in an empty document; an unknown action id is logged and answered false; a search
// that fails is answered false and told to the record's callback (searchFailed), a regular
// expression that does not compile likewise (patternRefused). A selection scope with nothing
// selected searches the whole text, unless the session already searches a selection. Replace
// All is a long edit (DocumentControllerSearchSession::replaceAll) whose counts go to the record.
bool ssOnAction(DocumentController& controller, const SearchActionRecord& record, uint32_t actionId, bool backwards);

} // namespace tessel
