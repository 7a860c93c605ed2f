#pragma once
// The editors of bundle entries that the bundle editor opens, and the factory each entry
// manager hands out for its type. The plain source editor (the entry's text as Jasmine source,
// scope "source.jasmine") serves bundles, grammars and themes. Until the bundle editor lands,
// an editor holds only its entry and its scope.

#include "service/bundles/IBundleEntryFactory.h"

#include <memory>
#include <string>

namespace tessel {

class BundleEntryEditor {
public:
    virtual ~BundleEntryEditor();
    BundleEntryEditor(const BundleEntryEditor&) = delete;
    BundleEntryEditor& operator=(const BundleEntryEditor&) = delete;

    BundleEntry& getEntry() const { return *m_entry; }
    // The scope of the editor's text, which picks its grammar.
    virtual const wchar_t* getScope() const = 0;

protected:
    explicit BundleEntryEditor(BundleEntry& entry);

private:
    BundleEntryPtr m_entry;
};

// Makes the editor of an entry; a null factory stands for no editor of that kind.
using BundleEntryEditorFactory = std::unique_ptr<BundleEntryEditor> (*)(BundleEntry& entry);

class BundleEntrySourceEditor : public BundleEntryEditor {
public:
    // The factory of the source editor.
    static std::unique_ptr<BundleEntryEditor> create(BundleEntry& entry);

    const wchar_t* getScope() const override { return L"source.jasmine"; }

private:
    explicit BundleEntrySourceEditor(BundleEntry& entry) : BundleEntryEditor(entry) {}
};

} // namespace tessel
