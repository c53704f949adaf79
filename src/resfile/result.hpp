#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace tessaly {

// The failure half of a Result, wrapped so that a Result<T, E> with T == E
// still knows which side a value belongs to.
template <class E>
struct Failure {
  E error;
};

template <class E>
[[nodiscard]] Failure<std::decay_t<E>> Fail(E&& error) {
  return {std::forward<E>(error)};
}

// A value or an error, never both: what the core returns instead of throwing.
template <class T, class E>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

  [[nodiscard]] bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  [[nodiscard]] T& value() & { return std::get<0>(state_); }
  [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
  [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
  [[nodiscard]] const E& error() const { return std::get<1>(state_); }

  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

 private:
  std::variant<T, E> state_;
};

// Success carries nothing; only the error is of interest.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  Result(Failure<E> failure) : error_(std::move(failure.error)), failed_(true) {}

  [[nodiscard]] bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  [[nodiscard]] const E& error() const { return error_; }

 private:
  E error_{};
  bool failed_ = false;
};

}  // namespace tessaly
