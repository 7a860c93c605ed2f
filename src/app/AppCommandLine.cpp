#include "app/AppCommandLine.h"

#include "app/AppDialogs.h"

#include "pel/base/Exception.h"
#include "pel/cl/ArgumentsLexer.h"
#include "pel/cl/CommandLineOptionValueTraits.h"
#include "pel/text/StringTemplate.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/StringValue.h"

namespace tessel {

namespace {

const wchar_t OPEN_FILE[] = L"open-file";
const wchar_t OPEN_PROJECT[] = L"open-project";
const wchar_t PATH[] = L"path";

const pel::Value* pathValueOf(const pel::DictionaryValue& values, const wchar_t* option) {
    const pel::Value* parameters = values.find(option);
    if (!parameters || parameters->type != pel::Value::TYPE_DICTIONARY)
        return nullptr;
    return static_cast<const pel::AbstractDictionaryValue*>(parameters)->find(PATH);
}

// The option's path values: one, or the list a parameter that takes several holds.
std::vector<std::wstring> pathsOf(const pel::DictionaryValue& values, const wchar_t* option) {
    std::vector<std::wstring> paths;
    const pel::Value* path = pathValueOf(values, option);
    if (!path)
        return paths;
    std::wstring text;
    if (path->type != pel::Value::TYPE_LIST) {
        if (path->getString(&text))
            paths.push_back(text);
        return paths;
    }
    for (const pel::Value* element : *static_cast<const pel::ListValue*>(path))
        if (element && element->getString(&text))
            paths.push_back(text);
    return paths;
}

// The options holding the project (when given) and the files as one command line's values.
std::unique_ptr<pel::DictionaryValue> valuesOf(const std::wstring& project, const std::vector<std::wstring>& files) {
    std::unique_ptr<pel::DictionaryValue> values(pel::DictionaryValue::create());
    if (!project.empty()) {
        pel::DictionaryValue* parameters = pel::DictionaryValue::create();
        parameters->setValue(PATH, pel::StringValue::create(project));
        values->setValue(OPEN_PROJECT, parameters);
    }
    if (!files.empty()) {
        pel::ListValue* paths = pel::ListValue::create();
        for (const std::wstring& file : files)
            paths->append(pel::StringValue::create(file));
        pel::DictionaryValue* parameters = pel::DictionaryValue::create();
        parameters->setValue(PATH, paths);
        values->setValue(OPEN_FILE, parameters);
    }
    return values;
}

std::wstring commandText(const std::wstring& programPath, const std::wstring& project,
                         const std::vector<std::wstring>& files) {
    std::wstring text = L"\"" + programPath + L"\"";
    pel::CommandLine::toString(valuesOf(project, files).get(), &text);
    return text;
}

} // namespace

pel::CommandLine AppCommandLine::make() {
    pel::CommandLine line;
    pel::CommandLineOptions& options = line.options();
    pel::CommandLineOptionParameter paths(PATH, L"The files' paths.");
    paths.set(PATH, L"The files' paths.", pel::CommandLineOptionParameter::FLAG_MULTIPLE,
              pel::CommandLineOptionPathValueTraits::instance());
    options.add(OPEN_FILE, L"f", L"Opens files.", pel::CommandLineOption::FLAG_DEFAULT)->parameters.add(paths);
    const pel::CommandLineOptionParameter path(PATH, L"The file's path.");
    options.add(OPEN_PROJECT, L"p", L"Opens a project file.", 0)->parameters.add(path);
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
    const std::unique_ptr<pel::DictionaryValue> values = make().parse(text);
    files = pathsOf(*values, OPEN_FILE);
    const std::vector<std::wstring> projects = pathsOf(*values, OPEN_PROJECT);
    project = projects.empty() ? std::wstring() : projects.front();
}

std::vector<AppCommandLine::Forwarded> AppCommandLine::toForward(const std::wstring& programPath, size_t maxUnits,
                                                                 std::vector<std::wstring>* o_left) const {
    // The writer puts each value after a space, behind the option's name: a file costs its
    // argument and a space, a text the files' option once.
    const size_t optionUnits = std::wstring(L" --").size() + std::wstring(OPEN_FILE).size();
    std::vector<Forwarded> texts;
    std::wstring project = this->project;
    std::vector<std::wstring> batch;
    size_t units = 0; // of the batch's text
    const auto add = [&] {
        Forwarded forwarded{commandText(programPath, project, batch), batch};
        if (!project.empty())
            forwarded.names.insert(forwarded.names.begin(), project);
        texts.push_back(std::move(forwarded));
        batch.clear();
        project.clear(); // it goes with the first text only
    };
    for (const std::wstring& file : files) {
        std::wstring argument;
        pel::ArgumentsLexer::appendArgument(file, argument);
        const size_t cost = 1 + argument.size();
        // What a text begun for it would hold before it (the project goes with the batch under
        // way, when there is one).
        const size_t fresh =
            commandText(programPath, batch.empty() ? project : std::wstring(), {}).size() + optionUnits;
        if (fresh + cost > maxUnits) {
            if (o_left)
                o_left->push_back(file);
            continue;
        }
        if (!batch.empty() && units + cost > maxUnits)
            add();
        if (batch.empty())
            units = fresh;
        batch.push_back(file);
        units += cost;
    }
    // The last files; or nothing but a project, or nothing at all (a new document).
    if (!batch.empty() || texts.empty() || !project.empty())
        add();
    return texts;
}

} // namespace tessel
