#include "app/silent_run.h"

#include <optional>
#include <string>
#include <vector>

#include "app/guarded.h"

namespace torvexa {
namespace {

std::wstring Join(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (const std::wstring& item : items) text.append(text.empty() ? L"" : L", ").append(item);
    return text;
}

// Every item of `r`, named as the program names it, each with what it is; the files that go at
// the restart last, apart.
std::wstring Describe(const Remnants& r) {
    std::vector<std::wstring> items;
    for (const std::wstring& p : r.processes) items.push_back(L"proceso " + p);
    if (r.processesUnchecked) items.emplace_back(L"procesos sin revisar");
    for (const std::wstring& v : r.runValues) items.push_back(L"valor Run " + v);
    if (r.runKeyUnchecked) items.emplace_back(L"clave Run sin revisar");
    for (const std::wstring& f : r.files) items.push_back(L"archivo " + f);
    std::wstring text = Join(items);
    std::vector<std::wstring> pending = r.pending;
    for (const std::wstring& p : r.pendingProcesses) pending.push_back(L"proceso " + p);
    if (!pending.empty()) {
        text.append(text.empty() ? L"" : L"; ").append(L"pendiente al reiniciar: ");
        text.append(Join(pending));
    }
    return text;
}

std::wstring TwoDigits(int n) {
    return (n < 10 ? L"0" : L"") + std::to_wstring(n);
}

}  // namespace

SilentResult Judge(const Remnants& found, const std::optional<Remnants>& left) {
    if (!found.AnythingFound()) {
        // An unreadable process list or Run key proves nothing: no clean machine is claimed on it.
        if (Assess(found) == Verdict::Unchecked) {
            return {kExitUnchecked, L"Sin comprobar, nada encontrado: " + Describe(found)};
        }
        return {kExitClean, L"Limpio: nada del gusano"};
    }
    // After a removal, what is left; with nothing removed, what was found. Either way the
    // restart is all that is missing when nothing else is there.
    const Remnants& now = left ? *left : found;
    switch (Assess(now)) {
        case Verdict::Restart:
            return {kExitRestart, L"Casi listo: " + Describe(now)};
        case Verdict::Clean:
            return {kExitRemoved, L"Desinfectado: todo quitado"};
        case Verdict::Unchecked:
            // Nothing seen but what the restart deletes, and a check not made: the start-up
            // status says "not checked" of that machine, and so does the check without the window.
            if (!left) return {kExitUnchecked, L"Sin comprobar: " + Describe(found)};
            break;
        case Verdict::Infected:
            break;
    }
    if (!left) return {kExitFoundChecked, L"Infectado, nada cambiado: " + Describe(found)};
    return {kExitLeft, L"No quitado del todo: " + Describe(*left)};
}

std::wstring ReportLine(const LocalTime& time, const std::wstring& computer,
                        const SilentResult& result) {
    std::wstring line = std::to_wstring(time.year) + L"-" + TwoDigits(time.month) + L"-" +
                        TwoDigits(time.day) + L"T" + TwoDigits(time.hour) + L":" +
                        TwoDigits(time.minute) + L":" + TwoDigits(time.second);
    line.append(L" ").append(computer.empty() ? L"-" : computer);
    line.append(L" ").append(std::to_wstring(result.exitCode));
    return line.append(L" ").append(result.words);
}

namespace {

// Removes what the check found, unless there is nothing or the command asks to check only; what is
// left after the removal (none when it did not run).
std::optional<Remnants> Act(const CommandLine& command, const Remnants& found,
                            Disinfection& disinfection) {
    if (!found.AnythingFound() || command.checkOnly) return std::nullopt;
    return disinfection.Run();
}

// Writes the run's one line to the standard output and, when the command names one, to its log.
// The work is done and its code fixed: the report can only add to it, never fail the run.
void Report(const CommandLine& command, const SilentResult& result, RunReportApi& report) {
    Guarded([&] {
        const std::wstring line = ReportLine(report.Now(), report.ComputerName(), result);
        Guarded([&] { report.WriteStandardOutput(line); });
        if (command.log) Guarded([&] { report.AppendLine(*command.log, line); });
    });
}

}  // namespace

int RunSilent(const CommandLine& command, Disinfection& disinfection, RunReportApi& report) {
    const Remnants found = disinfection.Check();
    const std::optional<Remnants> left = Act(command, found, disinfection);
    const SilentResult result = Judge(found, left);
    Report(command, result, report);
    return result.exitCode;
}

}  // namespace torvexa
