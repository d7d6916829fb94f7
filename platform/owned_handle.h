// One move-only owner for every handle the program and its tests hold, parameterised by a deleter
// per kind. The deleter knows its kind's failure value (Invalid()) and how to close one; it may
// carry state: the seam's kinds hold the interface that opened the handle and close through it,
// a borrowed device context holds its window. Where the program must report a failed close, it
// closes explicitly, on the value that release() hands back; the owner is the safety net on the
// paths that throw.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/file_find.h"
#include "platform/process_api.h"
#include "platform/registry_api.h"
#include "platform/types.h"

namespace torvexa {

template <typename Deleter>
class Owned {
  public:
    using Value = decltype(Deleter::Invalid());

    Owned() requires std::default_initializable<Deleter> : value_(Deleter::Invalid()) {}
    explicit Owned(Value value) requires std::default_initializable<Deleter> : value_(value) {}
    Owned(Deleter deleter, Value value) : deleter_(std::move(deleter)), value_(value) {}
    // A seam handle's owner, from the interface that opened it: `RegistryKey key(api, opened)`.
    template <typename Api>
    Owned(Api& api, Value value) requires std::constructible_from<Deleter, Api&> : deleter_(api),
                                                                                   value_(value) {}
    // A seam handle's owner, empty until a call fills it through put().
    template <typename Api>
    explicit Owned(Api& api) requires std::constructible_from<Deleter, Api&>
        : deleter_(api), value_(Deleter::Invalid()) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept
        : deleter_(other.deleter_), value_(std::exchange(other.value_, Deleter::Invalid())) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            deleter_ = other.deleter_;
            value_ = std::exchange(other.value_, Deleter::Invalid());
        }
        return *this;
    }

    Value get() const { return value_; }
    explicit operator bool() const { return value_ != Deleter::Invalid(); }
    // Gives up ownership: the caller closes the handle, or knows that it needs no closing.
    Value release() { return std::exchange(value_, Deleter::Invalid()); }
    // The address for a call that opens a handle into it, as `RegOpenKeyExW(..., key.put())`:
    // what was held is closed first, and no raw handle is ever in scope between the call that
    // opens it and the owner that closes it.
    Value* put() {
        reset();
        return &value_;
    }
    // Closes what is held, if anything, and holds `value` instead.
    void reset(Value value = Deleter::Invalid()) {
        const Value old = std::exchange(value_, value);
        if (old != Deleter::Invalid()) deleter_(old);
    }

  private:
    Deleter deleter_;
    Value value_;
};

// A seam handle's deleter: closes through `Api`'s `Close`, on the interface that opened it.
template <typename Api, auto Close, Handle kInvalid>
class CloseThrough {
  public:
    explicit CloseThrough(Api& api) : api_(&api) {}
    static Handle Invalid() { return kInvalid; }
    void operator()(Handle handle) const { (api_->*Close)(handle); }

  private:
    Api* api_;
};

// 0 for a process handle or a registry key, kInvalidHandleValue for a snapshot or a search.
using ProcessHandle = Owned<CloseThrough<ProcessApi, &ProcessApi::CloseHandle, Handle{0}>>;
using SnapshotHandle =
    Owned<CloseThrough<ProcessApi, &ProcessApi::CloseHandle, kInvalidHandleValue>>;
using RegistryKey = Owned<CloseThrough<RegistryApi, &RegistryApi::RegCloseKey, Handle{0}>>;
using FindHandle = Owned<CloseThrough<FileFindApi, &FileFindApi::FindClose, kInvalidHandleValue>>;

// A key opened for reading or writing: the call's status, and the key's owner, empty unless the
// key was opened.
struct OpenedKey {
    std::int32_t status;
    RegistryKey key;
};

// Opens `subKey` under `root` with `access`, straight into its owner.
inline OpenedKey OpenRegistryKey(RegistryApi& api, Handle root, const std::wstring& subKey,
                                 std::uint32_t access) {
    OpenedKey opened{0, RegistryKey(api)};
    opened.status = api.RegOpenKeyExA(root, subKey, 0, access, *opened.key.put());
    // A failed open hands back no key; whatever the call left in its output is not one to close.
    if (opened.status != kErrorSuccess) opened.key.release();
    return opened;
}

}  // namespace torvexa
