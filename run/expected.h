#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace vantrel {

// Why a call failed, on its way into an Expected: `return Unexpected(OpenFailure::kEmpty);`.
template <typename E>
struct Unexpected {
  explicit Unexpected(E why) : error(std::move(why)) {}
  E error;
};
template <typename E>
Unexpected(E) -> Unexpected<E>;

// The value of a call that can fail, or the reason it failed, for failures the user is told
// of. Reads like std::optional where only the value matters, and error() says why there is
// none. The names follow std::expected, which takes its place once the compiler has it.
// Asking for the value of a failure (or the error of a success) throws
// std::bad_variant_access rather than reading what is not there.
template <typename T, typename E>
class Expected {
 public:
  Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  template <typename F>
  requires std::is_constructible_v<E, F> Expected(Unexpected<F> failure)
      : state_(std::in_place_index<1>, std::move(failure.error)) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const E& error() const { return std::get<1>(state_); }

  // Equal to a value when it holds that value, as std::expected compares.
  friend bool operator==(const Expected& expected, const T& value) {
    return expected.has_value() && expected.value() == value;
  }

  // The value, or `fallback` for a failure; the reason is dropped.
  template <typename U>
  T value_or(U&& fallback) && {
    return has_value() ? std::move(*this).value() : T(std::forward<U>(fallback));
  }

 private:
  std::variant<T, E> state_;
};

}  // namespace vantrel
