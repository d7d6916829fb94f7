// The restart list as the registry hands it over: any UTF-16 data, NULs anywhere, cut anywhere.
//
// Input: the value's data, two bytes a UTF-16 unit.
#include <cstdint>
#include <string>
#include <vector>

#include "app/restart_deletes.h"
#include "tests/fuzz/fuzz_input.h"

namespace torvexa {
int fuzz::FuzzOne(const std::uint8_t* data, std::size_t size) {
    std::wstring value;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        value.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const std::vector<PendingOperation> operations = ParsePendingOperations(value);

    // Every operation names a file, and the list written back as Windows writes it reads the same.
    std::wstring written;
    for (const PendingOperation& op : operations) {
        fuzz::Check(!op.source.empty(), "an operation without a file");
        written += op.source + L'\0' + op.target + L'\0';
    }
    // (The last new name may end with the data instead of a NUL.)
    fuzz::Check(written.size() <= value.size() + 1, "more operations than the data holds");
    written += L'\0';
    fuzz::Check(ParsePendingOperations(written) == operations, "read back differently");

    // A deletion is found by its own file's path, in the system's form or without its prefix.
    for (const PendingOperation& op : operations) {
        if (!op.target.empty()) continue;
        fuzz::Check(
            DeletesAtRestart(operations,
                             op.source.starts_with(L"\\??\\") ? op.source.substr(4) : op.source),
            "a deletion in the list is not found");
    }
    return 0;
}

}  // namespace torvexa
