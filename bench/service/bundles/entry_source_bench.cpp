// Entry sources. Editing one value of a generated 1 MB grammar-like entry with comments (in the
// root layer, a small changes layer over it) and saving the changes, beside writing the whole
// merged value with the Jasmine writer and saving that through the same save helper (target: at
// most 6 times the whole rewrite); the merged text made again after the edit, as the editor's
// view asks for it, is printed too. Then the merged values of the 2 000 generated entries of the
// storage benchmark, read through a new source each, beside a plain read and parse of the same
// files (target: within 1.5 times, a ratio of entries per second of at least 0.67).
//   entry_source_bench --folder DIR [--runs 5]

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleEntrySource.h"

#include "EntryFiles.h"
#include "pel/files/SafeSave.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/StringValue.h"

#include <algorithm>
#include <cstdio>

using namespace bench_entries;

namespace {

BundleEntryFilePath bigEntry(BundleEntryRepository::Type layer) {
    BundleEntryFilePath path;
    path.storage = layer;
    path.bundle = {uuidOf(3, 1), L"Big", L"tsBundle"};
    path.folder = BundleEntryTraits::grammar().folder;
    path.entry = {uuidOf(4, 1), L"Big", BundleEntryTraits::grammar().extension};
    return path;
}

void check(bool ok, const char* what, const ErrorList& errors) {
    if (ok)
        return;
    std::fprintf(stderr, "%s failed: %ls\n", what,
                 errors.empty() ? L"" : errors.getFirst()->getMessage().c_str());
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int runs = static_cast<int>(options.number("--runs", 5));
    const EntryLayers layers(bench::folderOption(options) + ENTRY_FOLDER);
    const std::shared_ptr<BundleFileStorage> storage = std::make_shared<BundleFileStorage>();
    const BundleEntryTraits* grammar = &BundleEntryTraits::grammar();

    // One large entry: a value edit and its save, beside the whole value written and saved.
    const BundleEntryFilePath root = bigEntry(BundleEntryRepository::T_Root),
                              changes = bigEntry(BundleEntryRepository::T_Changes);
    writeEntry(storage->getFullPath(root), entryText(1, size_t(1) << 20), 1);
    writeEntry(storage->getFullPath(changes), L"{\n\t// mine\n\ttitle: 'Big changed'\n\tpatterns: inherit\n}\n", 1);
    const std::wstring wholeFile = L"user:bundles/whole.tsGrammar";
    double edit = 1e30, refresh = 1e30, whole = 1e30;
    for (int run = 0; run < runs; ++run) {
        ErrorList errors;
        BundleEntrySource source(storage, grammar, uuidOf(4, 1));
        source.setPath(root);
        source.setPath(changes);
        check(!source.getSourceText(&errors).empty(), "merged text", errors);
        const pel::StringValue title(L"Edited " + std::to_wstring(run));
        edit = std::min(edit, bench::bestOf(1, [&] {
            check(source.setValue(L"title", title, &errors) && source.save(changes, &errors), "edit", errors);
        }));
        refresh = std::min(refresh, bench::bestOf(1, [&] { check(!source.getSourceText(&errors).empty(), "refresh", errors); }));
        const std::shared_ptr<const pel::AbstractDictionaryValue> value = source.getValue(&errors);
        whole = std::min(whole, bench::bestOf(1, [&] {
            std::wstring text(1, L'\xFEFF');
            pel::JasmineWriterHelper::appendJasmine(value.get(), &text);
            check(pel::SafeSave::saveFile(wholeFile.c_str(), text.data(), text.size() * sizeof(wchar_t)), "whole save",
                  errors);
        }));
    }
    bench::figure("source_whole_rewrite_save", whole * 1e3, "ms");
    bench::figureBeside("source_value_edit_save", edit * 1e3, "ms", "whole_rewrite", whole * 1e3);
    bench::figure("source_text_after_edit", refresh * 1e3, "ms");

    // The 2 000 entries' merged values through their sources, beside the plain reads.
    size_t units = 0;
    const std::vector<BundleEntryFilePath> paths = writeEntries(*storage, &units);
    std::vector<std::wstring> devicePaths;
    for (const BundleEntryFilePath& path : paths)
        devicePaths.push_back(storage->getFullPath(path));
    std::vector<char> buffer;
    std::wstring text;
    int bad = 0;
    double plain = 1e30, sourced = 1e30;
    for (int run = 0; run < runs; ++run) { // alternating, so that a busy moment falls on both alike
        plain = std::min(plain, bench::bestOf(1, [&] {
            for (const std::wstring& path : devicePaths)
                bad += plainRead(path, buffer, text, nullptr) == nullptr;
        }));
        sourced = std::min(sourced, bench::bestOf(1, [&] {
            for (size_t n = 0; n < paths.size(); ++n) {
                ErrorList errors;
                BundleEntrySource source(storage, grammar, uuidOf(2, static_cast<uint32_t>(n)));
                source.setPath(paths[n]);
                bad += source.getValue(&errors) == nullptr;
            }
        }));
    }
    if (bad) {
        std::fprintf(stderr, "%d entries did not read\n", bad);
        return 2;
    }
    bench::figure("entries_plain_parse", ENTRIES / plain, "entries/s");
    bench::figureBeside("entries_source_value", ENTRIES / sourced, "entries/s", "plain", ENTRIES / plain);
    return 0;
}
