#pragma once
// What the Document asks of the styler it owns: the styler turns the document's scope records
// into colours and font styles through the shared theme, caching them per scope index. The
// Document clears it when its grammar changes; the editor sets the theme. All of it runs on the
// main thread. NullDocumentStyler stands in until the parsing subsystem provides styles.

#include <memory>

namespace tessel {

class DocumentTheme;

class DocumentStyler {
public:
    virtual ~DocumentStyler() = default;
    // Drops every computed style (the scope records they belong to are gone).
    virtual void clear() = 0;
    // Takes a new theme (possibly empty) and drops every computed style.
    virtual void setTheme(const std::shared_ptr<DocumentTheme>& theme) = 0;
    virtual std::shared_ptr<DocumentTheme> getTheme() const = 0;
};

// Computes nothing: it only keeps the theme it is given.
class NullDocumentStyler : public DocumentStyler {
public:
    void clear() override {}
    void setTheme(const std::shared_ptr<DocumentTheme>& theme) override { m_theme = theme; }
    std::shared_ptr<DocumentTheme> getTheme() const override { return m_theme; }

private:
    std::shared_ptr<DocumentTheme> m_theme;
};

} // namespace tessel
