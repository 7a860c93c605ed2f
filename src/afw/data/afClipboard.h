#pragma once
// The program's one way to the system clipboard: puts a data object on it, pulls its content
// into a receiving data object, tells whether a format is there, and at exit renders the
// program's own data so that it stays on the clipboard after the program ends. Also owns the
// ring of the last copied texts. The application object makes it after OLE and deletes it at
// exit. UI thread only; failures are logged and answered false, never thrown.

#include "afw/data/afDataFormat.h"

#include <memory>

struct IDataObject;
class afDataObject;
class afClipboardRing;

class afClipboard {
public:
    afClipboard();
    // Renders the program's data if it is still the clipboard's, then deletes the ring.
    virtual ~afClipboard();
    afClipboard(const afClipboard&) = delete;
    afClipboard& operator=(const afClipboard&) = delete;

    // Places the data object on the clipboard, which takes it over (detach): it is deleted when
    // the clipboard lets it go. A failed put leaves it to the caller.
    bool put(afDataObject* data);
    // Fills target from the clipboard with the first format, in target's order, that the
    // clipboard has and target takes.
    bool get(afDataObject* target);
    // CF_BITMAP also when a device-independent bitmap is there.
    bool isFormatAvailable(afDataFormat format) const;
    // Renders the program's data and lets go of it, when it is still the clipboard's content.
    bool clear();
    // Made on first use.
    afClipboardRing* getRing();

    // Raised by a caller while it puts its own data, so that listeners to clipboard changes
    // can tell the program's own changes.
    bool isOwnChange() const { return m_ownChange; }
    void setOwnChange(bool own) { m_ownChange = own; }

private:
    bool flush();

    bool m_ownChange = false;
    // The COM object last put; only compared with the clipboard's, never called.
    IDataObject* m_current = nullptr;
    std::unique_ptr<afClipboardRing> m_ring;
};
