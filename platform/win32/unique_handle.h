// A move-only owner for one OS handle, parameterised by its close function and its failure value
// (NULL for a process handle, INVALID_HANDLE_VALUE for a snapshot or a find handle). Where the
// program must report a failed close it closes explicitly with release(); this is the safety net.
#pragma once

#include <utility>

#include "platform/win32/win.h"

namespace torvexa::win32 {

template <typename T, auto Close, auto Invalid>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Invalid());
        }
        return *this;
    }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Invalid(); }
    T release() { return std::exchange(h_, Invalid()); }
    void reset(T h = Invalid()) {
        if (h_ != Invalid()) Close(h_);
        h_ = h;
    }

  private:
    T h_ = Invalid();
};

inline HANDLE NullHandle() {
    return nullptr;
}
inline HANDLE InvalidHandle() {
    return INVALID_HANDLE_VALUE;
}
inline void CloseKernelHandle(HANDLE h) {
    ::CloseHandle(h);
}

using UniqueProcessHandle = UniqueHandle<HANDLE, CloseKernelHandle, NullHandle>;
using UniqueFileHandle = UniqueHandle<HANDLE, CloseKernelHandle, InvalidHandle>;

}  // namespace torvexa::win32
