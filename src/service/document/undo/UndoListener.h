#pragma once
// Knows one kind of undo record, or watches the transactions and groups of undo logs. A kind's
// listener applies its records when a walk meets them (reading the payload through the
// context) and prints them for the log's dump; every operation but dump does nothing unless
// overridden.

#include <string>

namespace tessel {

class UndoContext;

class UndoListener {
public:
    virtual ~UndoListener() = default;
    // After the begin marker of a transaction was written.
    virtual void onTransactionBegin(UndoContext& context) {}
    // Before its end marker is written.
    virtual void onTransactionEnd(UndoContext& context) {}
    // A walk passes the marker that starts a group in its direction.
    virtual void onGroupEnter(UndoContext& context) {}
    // A walk passes the marker that completes a group.
    virtual void onGroupLeave(UndoContext& context) {}
    // A walk meets a record of the listener's kind.
    virtual void apply(UndoContext& context) {}
    // Appends a line for the current record: by default the first 256 payload bytes as a hex
    // dump, then " ...etc\n" when there are more.
    virtual void dump(UndoContext& context, std::wstring& out, const wchar_t* prefix);
};

} // namespace tessel
