#pragma once
// The exception family every failure of the library and the editor is reported with.
// Exceptions are thrown by value and caught by reference; clone() keeps the dynamic type.

#include <cstdint>
#include <string>

namespace pel {

class Exception {
public:
    Exception() = default;
    explicit Exception(const std::wstring& i_message) : message(i_message) {}
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;

    virtual ~Exception() = default;
    // "Name: message", or "Name:" when the message is empty.
    virtual void displayText(std::wstring& out) const;
    virtual const wchar_t* name() const = 0;
    virtual Exception* clone() const = 0;

    std::wstring displayText() const {
        std::wstring text;
        displayText(text);
        return text;
    }

    std::wstring message;
};

// Declares a class of the family that adds nothing but its name.
#define PEL_DECLARE_EXCEPTION(Class, Base, NameText)                                      \
    class Class : public Base {                                                           \
    public:                                                                               \
        Class() = default;                                                                \
        explicit Class(const std::wstring& i_message) : Base(i_message) {}                \
        const wchar_t* name() const override { return NameText; }                         \
        Class* clone() const override { return new Class(*this); }                        \
    }

// As above, for a class whose name() reports the name of a base: the class only narrows catches.
#define PEL_DECLARE_EXCEPTION_NAMED_AS_BASE(Class, Base)                                  \
    class Class : public Base {                                                           \
    public:                                                                               \
        Class() = default;                                                                \
        explicit Class(const std::wstring& i_message) : Base(i_message) {}                \
        Class* clone() const override { return new Class(*this); }                        \
    }

PEL_DECLARE_EXCEPTION(LogicException, Exception, L"LogicException");
PEL_DECLARE_EXCEPTION(AssertionViolationException, LogicException, L"AssertionViolationException");
PEL_DECLARE_EXCEPTION(NullPointerException, LogicException, L"NullPointerException");
PEL_DECLARE_EXCEPTION(IllegalStateException, LogicException, L"IllegalStateException");
PEL_DECLARE_EXCEPTION(InvalidArgumentException, LogicException, L"InvalidArgumentException");
PEL_DECLARE_EXCEPTION(NotImplementedException, LogicException, L"NotImplementedException");
PEL_DECLARE_EXCEPTION(RangeException, LogicException, L"RangeException");
PEL_DECLARE_EXCEPTION(IndexOutOfBoundsException, LogicException, L"IndexOutOfBoundsException");

PEL_DECLARE_EXCEPTION(RuntimeException, Exception, L"RuntimeException");
PEL_DECLARE_EXCEPTION(TimeoutException, RuntimeException, L"TimeoutException");
PEL_DECLARE_EXCEPTION(SystemException, RuntimeException, L"SystemException");
PEL_DECLARE_EXCEPTION(NotFoundException, RuntimeException, L"NotFoundException");
PEL_DECLARE_EXCEPTION(NoPermissionException, RuntimeException, L"NoPermissionException");
PEL_DECLARE_EXCEPTION(OutOfMemoryException, RuntimeException, L"OutOfMemoryException");
PEL_DECLARE_EXCEPTION(SyntaxException, RuntimeException, L"SyntaxException");
PEL_DECLARE_EXCEPTION(StringNotAValidInteger, SyntaxException, L"StringNotAValidInteger");

// A place in parsed text, all counted from 0.
struct TextPosition {
    uint32_t line = 0;
    uint32_t column = 0;
    uint32_t offset = 0;
};

class ParserException : public SyntaxException {
public:
    ParserException() = default;
    explicit ParserException(const std::wstring& i_message) : SyntaxException(i_message) {}
    ParserException(const std::wstring& i_message, const TextPosition& i_start, const TextPosition& i_end)
        : SyntaxException(i_message), start(i_start), end(i_end) {}

    // The base text followed by " at `line:column` - `line:column`".
    void displayText(std::wstring& out) const override;
    using Exception::displayText;
    const wchar_t* name() const override { return L"ParserException"; }
    ParserException* clone() const override { return new ParserException(*this); }

    TextPosition start;
    TextPosition end;
};

class UnexpectedlyTerminatedException : public ParserException {
public:
    UnexpectedlyTerminatedException(const TextPosition& i_start, const TextPosition& i_end)
        : ParserException(L"Parsing ended unexpectedly.", i_start, i_end) {}
    const wchar_t* name() const override { return L"UnexpectedlyTerminatedException"; }
    UnexpectedlyTerminatedException* clone() const override {
        return new UnexpectedlyTerminatedException(*this);
    }
};

// A ")" without its "(" or a "(" left open; the positions enclose the offending parenthesis.
class UnbalancedParenthesisException : public ParserException {
public:
    UnbalancedParenthesisException(const TextPosition& i_start, const TextPosition& i_end)
        : ParserException(L"Unbalanced parenthesis.", i_start, i_end) {}
    const wchar_t* name() const override { return L"UnbalancedParenthesisException"; }
    UnbalancedParenthesisException* clone() const override { return new UnbalancedParenthesisException(*this); }
};

class UnexpectedTokenException : public ParserException {
public:
    UnexpectedTokenException(const TextPosition& i_start, const TextPosition& i_end,
                             const std::wstring& i_found, const std::wstring& i_expected);
    const wchar_t* name() const override { return L"UnexpectedTokenException"; }
    UnexpectedTokenException* clone() const override { return new UnexpectedTokenException(*this); }

    std::wstring found;
    std::wstring expected;
};

} // namespace pel
