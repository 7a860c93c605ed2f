#pragma once
// The message of the library exception a call throws, or "(nothing thrown)": for tests that
// check the text of a refusal along with its kind.

#include "pel/base/Exception.h"

#include <string>

namespace tessel_test {

template <class Exception = pel::Exception, class Body>
std::wstring thrown(Body body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.message;
    }
    return L"(nothing thrown)";
}

} // namespace tessel_test
