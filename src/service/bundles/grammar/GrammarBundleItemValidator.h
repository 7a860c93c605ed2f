#pragma once
// The checker of grammar entries: the scope name's form, the file types, the pattern lists of the
// top level and of begin/end patterns, the repository, capture indexes against the groups of
// their expressions, and a trial compilation of every expression. Include patterns, group lists
// and "inject" lists are left to the reader. One instance serves every thread.

#include "service/bundles/BundleEntryValidator.h"

namespace tessel {

class GrammarBundleItemValidator : public BundleEntryValidator {
public:
    GrammarBundleItemValidator();
    ~GrammarBundleItemValidator() override;

    using BundleEntryValidator::validate;
    // The base checks, then the grammar's; every finding under a top-level key carries that
    // key's tag. True unless an error of severity 3 or 4 was found.
    bool validate(const pel::AbstractDictionaryValue* dval, ErrorList* io_errors) const override;

private:
    enum class Check { NOT_APPLICABLE, DONE };

    static void checkPatternList(ErrorList* io_errors, const pel::Value& value);
    static Check checkBeginEnd(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval);
    static Check checkMatch(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval);
    static void checkCaptures(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval, const wchar_t* key,
                              int groupCount);
    // Compiles the expression on trial; its group count, or -1 when it does not compile.
    static int tryCompile(ErrorList* io_errors, const pel::Value& value, bool endExpression);
};

} // namespace tessel
