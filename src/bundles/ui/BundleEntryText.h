#pragma once
// The text part of an entry editor: a view that edits an entry's Jasmine text, coloured by the
// grammar of a scope, and knows whether it was changed since it was last marked. The editor
// widget lives in a layer above the bundles, so the application installs what makes one; with
// none installed, no entry can be opened.

#include "service/base/Notice.h"

#include <functional>
#include <memory>
#include <string>

class afView;
class afViewPlatform;

namespace tessel {

class BundleEntryText {
public:
    virtual ~BundleEntryText() = default;

    // The view to place in the entry editor's page (made on the host given to the maker).
    virtual afView* getView() const = 0;
    virtual std::wstring getText() const = 0;
    // The text, unmodified and without history to undo.
    virtual void setText(const std::wstring& text) = 0;
    virtual bool isModified() const = 0;
    virtual void markUnmodified() = 0;
    // Its entry editor closed: the text takes no further part in the program (searches, what
    // the active document is) while it waits to be freed.
    virtual void onClosed() {}

    // The modified state changed: told with the new one.
    Notice<bool> onModifiedChanged;
};

// (host, scope of the grammar) -> the text view; null when it cannot be made.
using BundleEntryTextMaker = std::function<std::unique_ptr<BundleEntryText>(afViewPlatform* host, const std::wstring& scope)>;

// Installs the maker (empty: none) and returns the previous one.
BundleEntryTextMaker setBundleEntryTextMaker(BundleEntryTextMaker maker);
// A text view from the installed maker; null without one.
std::unique_ptr<BundleEntryText> makeBundleEntryText(afViewPlatform* host, const std::wstring& scope);

} // namespace tessel
