#pragma once
// Which grammar a file name belongs to: the file extensions the installed grammars claim (the
// first grammar to claim one keeps it) and the user's own choices per extension, which come
// first and are kept in the setting "app.languages.extensions". Extensions are lower case. UI
// thread only.

#include <string>
#include <vector>

namespace tessel {

class ConfigValue;

class GrammarFileTypes {
public:
    struct Record {
        std::wstring extension;
        std::wstring grammar; // scope name
    };
    using Records = std::vector<Record>;

    // Records the grammar's extensions that no record holds yet.
    void addGrammar(const std::wstring& grammar, const std::vector<std::wstring>& extensions);
    // Deletes the records of the grammar's own extensions (the user's stay).
    void removeGrammar(const std::wstring& grammar);
    // The user's choice for an extension (lower-cased); nothing for an empty one.
    void setUserFileType(const std::wstring& extension, const std::wstring& grammar);

    // Append the extensions recorded for the grammar.
    void getFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const;
    void getUserFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const;

    // The grammar of the longest extension the file name ends with (after ".", "/" or "\", or
    // as a whole), the user's records before the grammars', the first of equally long ones;
    // empty when none matches.
    std::wstring findGrammarName(const std::wstring& fileName) const;
    // Whether the lower-case file name ends with the extension as findGrammarName matches.
    static bool matchesFileType(const std::wstring& fileName, const std::wstring& extension);

    // The user's records from the setting (a list of {grammar_name, extensions}); others and
    // empty texts are skipped. Replaces the user's records.
    void loadUserFileTypes(const ConfigValue& setting);
    // The setting rebuilt from the user's records, one element per grammar in their order.
    void saveUserFileTypes(ConfigValue& setting) const;

    const Records& getRecords() const { return m_fileTypes; }
    const Records& getUserRecords() const { return m_userFileTypes; }
    void clear();

private:
    Records m_fileTypes;
    Records m_userFileTypes;
};

} // namespace tessel
