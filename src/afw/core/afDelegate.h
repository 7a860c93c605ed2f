#pragma once
// A call to one member function of one object, kept without allocation and comparable, so a
// listener is removed by the same (object, function) pair it was added with. An empty delegate
// is never called: callers test it first.

#include <utility>

template <class Signature>
class afDelegate;

template <class Result, class... Args>
class afDelegate<Result(Args...)> {
public:
    afDelegate() = default;

    template <class T, Result (T::*Method)(Args...)>
    static afDelegate bind(T* object) {
        return afDelegate(object, &callMember<T, Method>);
    }
    // A free function that receives the object as its first argument.
    static afDelegate fromFunction(void* object, Result (*function)(void*, Args...)) {
        return afDelegate(object, function);
    }

    explicit operator bool() const { return m_function != nullptr; }
    Result operator()(Args... args) const { return m_function(m_object, std::forward<Args>(args)...); }
    bool operator==(const afDelegate& other) const {
        return m_object == other.m_object && m_function == other.m_function;
    }
    bool operator!=(const afDelegate& other) const { return !(*this == other); }

private:
    afDelegate(void* object, Result (*function)(void*, Args...)) : m_object(object), m_function(function) {}

    template <class T, Result (T::*Method)(Args...)>
    static Result callMember(void* object, Args... args) {
        return (static_cast<T*>(object)->*Method)(std::forward<Args>(args)...);
    }

    void* m_object = nullptr;
    Result (*m_function)(void*, Args...) = nullptr;
};
