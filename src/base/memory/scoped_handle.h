// Owners of one resource each. A handle kind names its type, its "none" value and
// how it is closed in a traits class:
//   struct Traits {
//     using Handle = ...;
//     static Handle Invalid();
//     static void Close(Handle handle);
//     static bool IsValid(Handle handle);  // optional: more than one "none"
//   };
// A resource behind a pointer goes in a std::unique_ptr with FreeWith<function>.
// Both are movable, not copyable.
#pragma once

#include <memory>

namespace qiv {

template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (IsValid()) Traits::Close(handle_);
  }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool IsValid() const { return Holds(handle_); }
  explicit operator bool() const { return IsValid(); }
  Handle Get() const { return handle_; }

  // For a call that hands the handle out through a parameter; closes the one held.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  // Gives the handle up without closing it.
  Handle Release() {
    const Handle handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }
  void Reset(Handle handle = Traits::Invalid()) {
    if (IsValid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  static bool Holds(Handle handle) {
    if constexpr (requires { Traits::IsValid(handle); }) {
      return Traits::IsValid(handle);
    } else {
      return handle != Traits::Invalid();
    }
  }

  Handle handle_ = Traits::Invalid();
};

// The deleter of a std::unique_ptr whose pointer `Free` releases.
template <auto Free>
struct FreeWith {
  template <class T>
  void operator()(T* pointer) const {
    Free(pointer);
  }
};

}  // namespace qiv
