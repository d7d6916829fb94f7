// A move-only owner for one handle of the seam (a process, a snapshot, a registry key, a search),
// closed through the interface that opened it and knowing its own failure value: 0 for a process
// handle or a registry key, kInvalidHandleValue for a snapshot or a search. Where the program must
// report a failed close, it closes explicitly, on the value that release() hands back; the owner
// is the safety net on the paths that throw.
#pragma once

#include <utility>

#include "platform/file_find.h"
#include "platform/process_api.h"
#include "platform/registry_api.h"
#include "platform/types.h"

namespace torvexa {

template <typename Api, auto Close, Handle Invalid>
class OwnedHandle {
  public:
    OwnedHandle(Api& api, Handle handle) : api_(&api), handle_(handle) {}
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept
        : api_(other.api_), handle_(std::exchange(other.handle_, Invalid)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            api_ = other.api_;
            handle_ = std::exchange(other.handle_, Invalid);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    // Gives up ownership: the caller closes the handle, or knows that it needs no closing.
    Handle release() { return std::exchange(handle_, Invalid); }
    void reset() {
        if (handle_ != Invalid) (api_->*Close)(std::exchange(handle_, Invalid));
    }

  private:
    Api* api_;
    Handle handle_;
};

using ProcessHandle = OwnedHandle<ProcessApi, &ProcessApi::CloseHandle, Handle{0}>;
using SnapshotHandle = OwnedHandle<ProcessApi, &ProcessApi::CloseHandle, kInvalidHandleValue>;
using RegistryKey = OwnedHandle<RegistryApi, &RegistryApi::RegCloseKey, Handle{0}>;
using FindHandle = OwnedHandle<FileFindApi, &FileFindApi::FindClose, kInvalidHandleValue>;

}  // namespace torvexa
