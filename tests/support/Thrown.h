#pragma once
// The message of the library exception a call throws, or "(nothing thrown)": for tests that
// check the text of a refusal along with its kind; or a copy of the exception itself, for tests
// that check what else it carries.

#include "pel/base/Exception.h"

#include <memory>
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

// "Name: message" of the library exception a call throws, or "(nothing thrown)".
template <class Body>
std::wstring shown(Body body) {
    try {
        body();
    } catch (const pel::Exception& e) {
        return e.displayText();
    }
    return L"(nothing thrown)";
}

// Null when nothing of the kind was thrown.
template <class Exception, class Body>
std::unique_ptr<Exception> caught(Body body) {
    try {
        body();
    } catch (const Exception& e) {
        return std::make_unique<Exception>(e);
    }
    return nullptr;
}

} // namespace tessel_test
