#include "registry/Registro.h"

#include <array>
#include <utility>

#include "platform/owned_handle.h"

namespace torvexa {
namespace {

constexpr std::array<std::pair<const wchar_t*, Handle>, 7> kRootKeys{{
    {L"HKEY_CLASSES_ROOT", 0x80000000},
    {L"HKEY_CURRENT_USER", 0x80000001},
    {L"HKEY_LOCAL_MACHINE", 0x80000002},
    {L"HKEY_USERS", 0x80000003},
    {L"HKEY_PERFORMANCE_DATA", 0x80000004},
    {L"HKEY_CURRENT_CONFIG", 0x80000005},
    {L"HKEY_DYN_DATA", 0x80000006},
}};

}  // namespace

Handle Registro::GetRootKeyHandle(const std::wstring& rootName) {
    for (const auto& [name, handle] : kRootKeys) {
        if (rootName == name) return handle;
    }
    return 0;
}

void Registro::SplitKeyPath(std::wstring& keyPath, Handle& rootKey) {
    const std::size_t slash = keyPath.find(L'\\');
    scratch_ = slash == std::wstring::npos ? 0 : static_cast<std::int32_t>(slash + 1);

    if (keyPath.compare(0, 5, L"HKEY_") != 0 || keyPath.size() < 5 || keyPath.back() == L'\\') {
        boxes_.MessageBox(L"Incorrect Format:\n\n" + keyPath, kAppTitle, kMbOk);
        rootKey = 0;
        return;
    }

    if (slash == std::wstring::npos) {
        rootKey = GetRootKeyHandle(keyPath);
        keyPath.clear();
    } else {
        rootKey = GetRootKeyHandle(keyPath.substr(0, slash));
        keyPath.erase(0, slash + 1);
    }
}

std::int16_t Registro::DeleteRegValue(std::wstring& keyPath, const std::wstring& valueName) {
    SplitKeyPath(keyPath, rootKey_);
    if (rootKey_ == 0) return kFalse;

    openedKey_ = 0;
    scratch_ = api_.RegOpenKeyExA(rootKey_, keyPath, 0, kKeyWrite, openedKey_);
    if (scratch_ != kErrorSuccess) return kFalse;  // nothing was opened, so nothing to close
    RegistryKey key(api_, openedKey_);             // closed even when the deletion throws

    // Neither result is examined: a missing value counts as deleted, a failed close is ignored.
    scratch_ = api_.RegDeleteValueA(key.get(), valueName);
    scratch_ = api_.RegCloseKey(key.release());
    return kTrue;
}

}  // namespace torvexa
