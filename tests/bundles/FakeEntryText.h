#pragma once
// Entry texts for the bundle editor's tests below the editor widget: a plain view with a text
// and a modified flag the test sets, made by a maker installed for the object's life.

#include "bundles/ui/BundleEntryText.h"

#include "afw/view/afViewVirtual.h"

#include <memory>

#include <string>

namespace tessel_test {

class FakeEntryText : public tessel::BundleEntryText {
public:
    explicit FakeEntryText(afViewPlatform* host) : m_view(new afViewVirtual(host)) {}
    ~FakeEntryText() override { delete m_view; }

    afView* getView() const override { return m_view; }
    std::wstring getText() const override { return text; }
    void setText(const std::wstring& newText) override {
        text = newText;
        setModified(false);
    }
    bool isModified() const override { return modified; }
    void markUnmodified() override { setModified(false); }

    // As a user's typing does.
    void type(const std::wstring& newText) {
        text = newText;
        setModified(true);
    }
    void setModified(bool value) {
        if (value == modified)
            return;
        modified = value;
        onModifiedChanged.notify(value);
    }

    std::wstring text;
    bool modified = false;

private:
    afViewVirtual* m_view;
};

// Installs the maker of fake texts; the last one made is at hand.
class FakeEntryTexts {
public:
    FakeEntryTexts() {
        tessel::setBundleEntryTextMaker([this](afViewPlatform* host, const std::wstring&) {
            auto text = std::make_unique<FakeEntryText>(host);
            last = text.get();
            return std::unique_ptr<tessel::BundleEntryText>(std::move(text));
        });
    }
    ~FakeEntryTexts() { tessel::setBundleEntryTextMaker(nullptr); }
    FakeEntryTexts(const FakeEntryTexts&) = delete;
    FakeEntryTexts& operator=(const FakeEntryTexts&) = delete;

    FakeEntryText* last = nullptr;
};

} // namespace tessel_test
