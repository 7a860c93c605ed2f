#pragma once
// Grammar entries for the grammar tests: Jasmine texts read into dictionaries and grammar items.

#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/grammar/GrammarBundleItem.h"

#include "service/base/error/ErrorList.h"

#include "pel/value/AbstractDictionaryValue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tessel_test {

// The text's root dictionary; the text must read without errors.
inline std::unique_ptr<pel::AbstractDictionaryValue> readDictionary(const std::wstring& text) {
    tessel::ErrorList errors;
    std::unique_ptr<pel::Value> root = tessel::BundleEntrySourceHelper::parse(L"test", text, &errors, nullptr);
    EXPECT_TRUE(errors.empty() && root) << "the fixture does not read";
    return std::unique_ptr<pel::AbstractDictionaryValue>(static_cast<pel::AbstractDictionaryValue*>(root.release()));
}

using GrammarPtr = boost::intrusive_ptr<tessel::GrammarBundleItem>;

// A grammar read from the text; its reading errors go to o_errors when given.
inline GrammarPtr readGrammar(const std::wstring& text, tessel::ErrorList* o_errors = nullptr) {
    GrammarPtr grammar(new tessel::GrammarBundleItem, false);
    tessel::ErrorList errors;
    grammar->readValue(*readDictionary(text), o_errors ? o_errors : &errors);
    return grammar;
}

// A grammar with a repository (entries in file order comments, escape, strings), includes of
// each kind, an injection and captures, a dropped pattern (a begin without end) and a byte escape.
const wchar_t* const EXAMPLE_GRAMMAR = LR"({
	title: "Example"
	name: "source.example"
	file_types: [ "EX" "Exa" 3 ]
	folding_start_marker: /\{\s*$/
	patterns: [
		{ include: "#strings" }
		{ name: "keyword.control.example" match: /\b(if|else)\b/ captures: { 1: { name: "keyword.word" } } }
		{ name: "meta.block" begin: /(\{)/ end: /(\})/ content_name: "meta.inner"
		  captures: { 1: { name: "punctuation.a" } } begin_captures: { 2: { name: "punctuation.b" } }
		  patterns: [ { include: "$self" } ] }
		{ include: "source.other" inject: [ { patterns: [ { name: "invalid.bang" match: /!/ } ] } ] }
		{ begin: /x/ }
		{ patterns: [ { name: "constant.a" match: /\x41/ } { include: "#comments" } ] }
	]
	repository: {
		comments: { name: "comment.line" match: /#.*$/ }
		escape: { name: "constant.character.escape" match: /\\./ }
		strings: { name: "string.quoted" begin: /"/ end: /"/ patterns: [ { include: "#escape" } ] }
	}
})";

// Included by EXAMPLE_GRAMMAR: a second grammar with a back-referencing end and $base.
const wchar_t* const OTHER_GRAMMAR = LR"({
	title: "Other"
	name: "source.other"
	patterns: [
		{ name: "string.heredoc" begin: /<<(\w+)/ end: /^\1$/ patterns: [ { include: "$base" } ] }
		{ include: "#missing" }
	]
})";

} // namespace tessel_test
