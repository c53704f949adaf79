#pragma once

// The one owner of an open file: a descriptor of open() (or of _wopen() on
// Windows) or a Windows HANDLE, closed when its owner goes, handed over with
// Release, or closed early with Close to learn of a failure that shows only
// then (a delayed write error).

#include <utility>

#ifdef _WIN32
#include <windows.h>
// (after windows.h, which it needs)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tessaly {

template <class Traits>
class Owned {
 public:
  using Type = typename Traits::Type;

  Owned() = default;
  explicit Owned(Type value) : value_(value) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~Owned() { Reset(); }

  [[nodiscard]] bool ok() const { return Traits::Valid(value_); }
  [[nodiscard]] Type get() const { return value_; }
  // Hands the file over; this no longer closes it.
  [[nodiscard]] Type Release() { return std::exchange(value_, Traits::None()); }
  void Reset(Type value = Traits::None()) {
    if (ok()) (void)Traits::Close(value_);
    value_ = value;
  }
  // Closes now; false when closing failed.
  [[nodiscard]] bool Close() { return !ok() || Traits::Close(Release()); }

 private:
  Type value_ = Traits::None();
};

struct DescriptorTraits {
  using Type = int;
  static constexpr int None() { return -1; }
  static bool Valid(int fd) { return fd >= 0; }
  static bool Close(int fd) {
#ifdef _WIN32
    return _close(fd) == 0;
#else
    return ::close(fd) == 0;
#endif
  }
};
using Descriptor = Owned<DescriptorTraits>;

#ifdef _WIN32
struct HandleTraits {
  using Type = HANDLE;
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  // Some calls fail with a null handle, others with INVALID_HANDLE_VALUE.
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static bool Close(HANDLE h) { return CloseHandle(h) != 0; }
};
using Handle = Owned<HandleTraits>;
#endif

}  // namespace tessaly
