#include "app/AppCommandLine.h"

#include "app/AppDialogs.h"

#include "pel/base/Exception.h"
#include "pel/text/StringTemplate.h"

#include "pel/value/DictionaryValue.h"

namespace tessel {

namespace {

std::wstring pathOf(const pel::DictionaryValue& values, const wchar_t* option) {
    const pel::Value* parameters = values.find(option);
    if (!parameters || parameters->type != pel::Value::TYPE_DICTIONARY)
        return std::wstring();
    const pel::Value* path = static_cast<const pel::AbstractDictionaryValue*>(parameters)->find(L"path");
    std::wstring text;
    if (path)
        path->getString(&text);
    return text;
}

} // namespace

pel::CommandLine AppCommandLine::make() {
    pel::CommandLine line;
    pel::CommandLineOptions& options = line.options();
    const pel::CommandLineOptionParameter path(L"path", L"The file's path.");
    options.add(L"open-file", L"f", L"Opens a file.", pel::CommandLineOption::FLAG_DEFAULT)->parameters.add(path);
    options.add(L"open-project", L"p", L"Opens a project file.", 0)->parameters.add(path);
    return line;
}

bool AppCommandLine::parseOrExplain(const std::wstring& text, afViewPlatform* owner) {
    std::wstring error;
    try {
        parse(text);
        return true;
    } catch (const pel::Exception& e) {
        error = e.message;
    }
    showMessage(owner, pel::StringTemplate(L"Error parsing command line: {1}").arg(1, error).render());
    return false;
}

void AppCommandLine::parse(const std::wstring& text) {
    values = make().parse(text);
    file = pathOf(*values, L"open-file");
    project = pathOf(*values, L"open-project");
}

std::wstring AppCommandLine::toForward(const std::wstring& programPath) const {
    std::wstring text = L"\"" + programPath + L"\"";
    if (values)
        pel::CommandLine::toString(values.get(), &text);
    return text;
}

} // namespace tessel
