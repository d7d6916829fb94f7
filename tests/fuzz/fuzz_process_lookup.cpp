// mdlProcess::GetProcessIdByName over an arbitrary process table delivered by the scripted Tool
// Help calls, and an arbitrary name. The expected answer comes from a model of the one reused
// record: each name is copied with its NUL over what the longer names before it left, and only
// the part before that NUL, after its last backslash, counts, compared letter case aside.
//
// Input: one byte of choices (bit 0: the snapshot fails, bit 1: its first entry cannot be read,
// bit 2: closing it fails), the name as a text, then entries to the end: a 32-bit id and a name.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "process/mdlProcess.h"
#include "tests/fakes/fake_process_api.h"
#include "tests/fuzz/fuzz_input.h"

namespace torvexa {
namespace {

ProcessId ModelLookup(const std::vector<fakes::FakeProcess>& processes, const std::wstring& name) {
    std::array<wchar_t, ProcessEntry32::kNameLength> field{};
    for (const auto& p : processes) {
        const std::size_t n = std::min(p.name.size(), field.size() - 1);
        std::copy_n(p.name.begin(), n, field.begin());
        field[n] = L'\0';
        std::wstring_view file(field.data(), n);
        file = file.substr(0, file.find(L'\0'));
        if (const std::size_t slash = file.rfind(L'\\'); slash != std::wstring_view::npos) {
            file.remove_prefix(slash + 1);
        }
        const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + 32 : c; };
        if (std::equal(file.begin(), file.end(), name.begin(), name.end(),
                       [&](wchar_t a, wchar_t b) { return lower(a) == lower(b); }))
            return p.id;
    }
    return 0;
}

}  // namespace

int fuzz::FuzzOne(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::uint8_t choices = in.Byte();
    const std::wstring name = in.Text();

    fakes::FakeProcessApi api;
    if (choices & 1) api.snapshotFails = 8;
    if (choices & 2) api.firstFails = 31;
    if (choices & 4) api.closeFails = 6;
    while (!in.Empty()) {
        const ProcessId id = in.Word32();
        api.processes.push_back({id, in.Text()});
    }
    const std::size_t count = api.processes.size();
    const bool readable = !(choices & 3) && count > 0;
    const ProcessId expected = readable ? ModelLookup(api.processes, name) : 0;

    std::vector<std::wstring> reports;
    const mdlErrorHandle errors([&](const std::wstring& line) { reports.push_back(line); });
    mdlProcess process(api, errors);
    for (int lookup = 0; lookup < 2; ++lookup) {
        fuzz::Check(process.GetProcessIdByName(name) == expected, "the first entry of that name");
        fuzz::Check(process.FindByName(name).complete == readable,
                    "says whether the list was read");
        fuzz::Check(process.ProcessEntries().size() == std::max<std::size_t>(count, 1) || !readable,
                    "one record per process");
    }
    if (!(choices & 4)) fuzz::Check(api.openHandles.empty(), "every snapshot is closed");
    if (!(choices & 7) && count > 0) fuzz::Check(reports.empty(), "nothing to report");
    return 0;
}

}  // namespace torvexa
