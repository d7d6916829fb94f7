// The one-line error reports of mdlErrorHandle over arbitrary numbers and texts.
//
// Input: one byte (bit 0: a run-time report instead of a system-call report), the 32-bit number,
// then the description, the module and the procedure as texts.
#include <cstdint>
#include <string>
#include <vector>

#include "errors/mdlErrorHandle.h"
#include "tests/fuzz/fuzz_input.h"

namespace torvexa {
int fuzz::FuzzOne(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const bool runtime = in.Byte() & 1;
    const auto code = static_cast<std::int32_t>(in.Word32());
    const std::wstring description = in.Text();
    const std::wstring moduleName = in.Text();
    const std::wstring procedureName = in.Text();

    std::vector<std::wstring> lines;
    const mdlErrorHandle errors([&](const std::wstring& line) { lines.push_back(line); });
    if (runtime) {
        errors.ReportRuntimeError(code, description, moduleName, procedureName);
    } else {
        errors.ReportApiError(code, description, moduleName, procedureName);
    }
    // Without a sink the same report is dropped quietly.
    const mdlErrorHandle silent;
    silent.ReportApiError(code, description, moduleName, procedureName);

    fuzz::Check(lines.size() == 1, "one line per report");
    const std::wstring head = std::wstring(runtime ? L"VB ERROR: " : L"ERROR: ") +
                              std::to_wstring(code) + L" at " + moduleName + L"\\";
    const std::wstring tail = L" >>> " + description;
    const std::wstring& line = lines[0];
    fuzz::Check(line.size() == head.size() + procedureName.size() + tail.size(), "its length");
    fuzz::Check(line.starts_with(head), "prefix, number and module first");
    fuzz::Check(line.compare(head.size(), procedureName.size(), procedureName) == 0,
                "then the procedure");
    fuzz::Check(line.ends_with(tail), "and the description last");
    return 0;
}

}  // namespace torvexa
