#pragma once
// A non-owning reference to a callable, for a parameter called while the caller waits: unlike
// std::function it never copies the callable and so never allocates, which matters on paths
// that run once per engine call.

#include <type_traits>
#include <utility>

namespace pel {

template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
public:
    template <typename Callable,
              typename = std::enable_if_t<!std::is_same<std::decay_t<Callable>, FunctionRef>::value>>
    FunctionRef(Callable&& callable) // NOLINT: converts like std::function
        : m_object(const_cast<void*>(static_cast<const void*>(&callable))),
          m_call([](void* object, Args... args) -> Result {
              return (*static_cast<std::remove_reference_t<Callable>*>(object))(std::forward<Args>(args)...);
          }) {}

    Result operator()(Args... args) const { return m_call(m_object, std::forward<Args>(args)...); }

private:
    void* m_object;
    Result (*m_call)(void*, Args...);
};

} // namespace pel
