// How the lookup by name scales with the number of running processes: GetProcessIdByName over
// snapshots of 100 to 100,000 entries, with the name absent so that every entry is searched. The
// table keeps its capacity between lookups and grows by amortised doubling, and each entry is
// searched once, so the time per entry should stay flat.
//
// Each record is 1,076 bytes here (260 four-byte characters), so 100,000 of them outgrow every
// cache and the time per entry rises with memory traffic alone. To tell that apart from growth of
// the table, each size is also measured for a floor: the same records copied into a table that
// is allocated once, then the same search, with none of the module's steps. The lookup's time over
// the floor's, size by size, is what must stay flat.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "errors/mdlErrorHandle.h"
#include "platform/process_api.h"
#include "process/mdlProcess.h"

namespace {

using torvexa::Handle;
using torvexa::ProcessEntry32;

constexpr const wchar_t* kAbsentName = L"moniker.exe";

// A lean Tool Help that serves a prepared list and records nothing, so that what is measured is
// the module's own work per entry: the copy into the table and the search of the name field.
class ListedProcesses : public torvexa::ProcessApi {
  public:
    explicit ListedProcesses(std::size_t count) {
        names_.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            names_.push_back(L"process" + std::to_wstring(i) + L".exe");
        }
    }

    Handle CreateToolhelp32Snapshot(std::uint32_t, std::uint32_t) override {
        cursor_ = 0;
        return 0x100;
    }
    bool Process32First(Handle, ProcessEntry32& entry) override { return Deliver(entry); }
    bool Process32Next(Handle, ProcessEntry32& entry) override { return Deliver(entry); }
    bool Module32FirstW(Handle, torvexa::ModuleEntry32&) override { return false; }
    bool QueryFullProcessImageNameW(Handle, std::uint32_t, std::wstring&) override { return false; }
    torvexa::ProcessId GetCurrentProcessId() override { return 1; }
    bool ProcessIdToSessionId(torvexa::ProcessId, std::uint32_t&) override { return false; }
    Handle OpenProcess(std::uint32_t, bool, torvexa::ProcessId) override { return 0; }
    bool GetProcessTimes(Handle, std::uint64_t&) override { return false; }
    bool GetExitCodeProcess(Handle, std::uint32_t&) override { return false; }
    bool TerminateProcess(Handle, std::uint32_t) override { return false; }
    bool CloseHandle(Handle) override { return true; }
    std::uint32_t GetLastError() override { return 18; }  // ERROR_NO_MORE_FILES

    bool Deliver(ProcessEntry32& entry) {
        if (cursor_ >= names_.size()) return false;
        const std::wstring& name = names_[cursor_];
        entry.th32ProcessID = static_cast<torvexa::ProcessId>(4 * (cursor_ + 1));
        std::copy(name.begin(), name.end(), entry.szExeFile.begin());
        entry.szExeFile[name.size()] = L'\0';
        ++cursor_;
        return true;
    }

  private:
    std::vector<std::wstring> names_;
    std::size_t cursor_ = 0;
};

void ReportPerEntry(benchmark::State& state, std::size_t count) {
    state.counters["per_entry"] = benchmark::Counter(
        static_cast<double>(count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The floor's work: the same records copied into a table of the right size, then the same search,
// with none of the module's steps.
torvexa::ProcessId CopyAndSearch(ListedProcesses& api, std::vector<ProcessEntry32>& table) {
    api.CreateToolhelp32Snapshot(0, 0);
    ProcessEntry32 entry{};
    for (std::size_t i = 0; api.Deliver(entry); ++i) table[i] = entry;
    for (const ProcessEntry32& e : table) {
        const std::wstring_view field(e.szExeFile.data(), e.szExeFile.size());
        if (field.find(kAbsentName) != std::wstring_view::npos) return e.th32ProcessID;
    }
    return 0;
}

// Repeated lookups, as the program makes them: the module keeps its table between lookups.
void Lookup(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    ListedProcesses api(count);
    const torvexa::mdlErrorHandle errors;
    torvexa::mdlProcess process(api, errors);
    process.GetProcessIdByName(kAbsentName);  // the table has grown once before the timing
    for (auto _ : state) benchmark::DoNotOptimize(process.GetProcessIdByName(kAbsentName));
    ReportPerEntry(state, count);
}

void Floor(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    ListedProcesses api(count);
    std::vector<ProcessEntry32> table(count);
    for (auto _ : state) benchmark::DoNotOptimize(CopyAndSearch(api, table));
    ReportPerEntry(state, count);
}

// A first lookup: the table grows from one record to all of them, entry by entry.
void FirstLookup(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    ListedProcesses api(count);
    const torvexa::mdlErrorHandle errors;
    for (auto _ : state) {
        torvexa::mdlProcess process(api, errors);
        benchmark::DoNotOptimize(process.GetProcessIdByName(kAbsentName));
    }
    ReportPerEntry(state, count);
}

// Its floor allocates the whole table at once.
void FirstFloor(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    ListedProcesses api(count);
    for (auto _ : state) {
        std::vector<ProcessEntry32> table(count);
        benchmark::DoNotOptimize(CopyAndSearch(api, table));
    }
    ReportPerEntry(state, count);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
    b->Unit(benchmark::kMicrosecond)->MinTime(0.1)->Repetitions(10)->ReportAggregatesOnly(true);
}
BENCHMARK(Lookup)->Apply(Sizes);
BENCHMARK(Floor)->Apply(Sizes);
BENCHMARK(FirstLookup)->Apply(Sizes);
BENCHMARK(FirstFloor)->Apply(Sizes);

// Collects the median time per entry of each benchmark and size, on top of the usual table.
class MedianCollector : public benchmark::ConsoleReporter {
  public:
    MedianCollector() : ConsoleReporter(OO_Tabular) {}

    std::map<std::string, std::map<long, double>> perEntryNs;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.aggregate_name != "median") continue;
            const auto it = run.counters.find("per_entry");
            if (it == run.counters.end()) continue;
            const std::string name = run.run_name.function_name;
            const long size = std::stol(run.run_name.args);
            perEntryNs[name][size] = it->second.value * 1e9;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Repetitions of the two programs and four sizes run interleaved, in random order.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto& m = reporter.perEntryNs;
    if (m["Lookup"].size() != 4 || m["Floor"].size() != 4 || m["FirstLookup"].size() != 4 ||
        m["FirstFloor"].size() != 4) {
        return 0;
    }
    std::vector<double> raw;
    std::vector<double> ratios;
    std::vector<double> firstRatios;
    std::printf("\nns per entry, medians of 10   repeated lookup           first lookup\n");
    std::printf("%10s %8s %8s %8s %8s %8s %8s\n", "entries", "lookup", "floor", "ratio", "lookup",
                "floor", "ratio");
    for (const auto& [size, ns] : m["Lookup"]) {
        const double base = m["Floor"].at(size);
        const double first = m["FirstLookup"].at(size);
        const double firstBase = m["FirstFloor"].at(size);
        raw.push_back(ns);
        ratios.push_back(ns / base);
        firstRatios.push_back(first / firstBase);
        std::printf("%10ld %8.1f %8.1f %8.2f %8.1f %8.1f %8.2f\n", size, ns, base, ns / base, first,
                    firstBase, first / firstBase);
    }
    // One line for the benchmark table: the largest and smallest value across the sizes of the
    // time per entry, of its ratio to the floor, and of the first lookup's ratio to its floor.
    std::printf("lookup-scaling");
    for (const std::vector<double>* values : {&raw, &ratios, &firstRatios}) {
        const auto [low, high] = std::minmax_element(values->begin(), values->end());
        std::printf(" %.2f %.2f", *high, *low);
    }
    std::printf("\n");
    return 0;
}
