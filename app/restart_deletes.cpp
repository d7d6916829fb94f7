#include "app/restart_deletes.h"

#include <algorithm>
#include <cstddef>

#include "platform/owned_handle.h"

namespace torvexa {
namespace {

constexpr const wchar_t* kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";
// The prefix of the system's object-manager form of a path.
constexpr std::wstring_view kNtPrefix = L"\\??\\";

wchar_t Folded(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return Folded(x) == Folded(y); });
}

std::vector<PendingOperation> ParsePendingOperations(const std::wstring& data) {
    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = std::min(data.find(L'\0', start), data.size());
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    std::vector<PendingOperation> operations;
    for (std::size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
        operations.push_back({strings[i], strings[i + 1]});
    }
    return operations;
}

bool DeletesAtRestart(const std::vector<PendingOperation>& operations, const std::wstring& path) {
    return std::any_of(operations.begin(), operations.end(), [&](const PendingOperation& op) {
        std::wstring_view source = op.source;
        if (source.starts_with(kNtPrefix)) source.remove_prefix(kNtPrefix.size());
        return op.target.empty() && SamePath(source, path);
    });
}

std::optional<std::vector<PendingOperation>> RestartDeletes::Read() {
    const OpenedKey session =
        OpenRegistryKey(registry_, kHkeyLocalMachine, kSessionManager, kKeyQueryValue);
    if (session.status != kErrorSuccess) return std::nullopt;
    std::uint32_t type = 0;
    std::wstring data;
    const std::int32_t result =
        registry_.RegQueryValueExW(session.key.get(), kPendingValue, type, data);
    if (result == kErrorFileNotFound) return std::vector<PendingOperation>{};
    if (result != kErrorSuccess || type != kRegMultiSz) return std::nullopt;
    return ParsePendingOperations(data);
}

}  // namespace torvexa
