// How a scenario reports: it names the stage it is at, and the first difference from what it
// expects ends it with that stage and the difference in its line.
#pragma once

#include <functional>
#include <string>

namespace torvexa::e2e {

// Where the scenario is ("press 2", "at start"), put before every difference.
void Stage(const std::string& stage);

// A difference: ends the scenario.
[[noreturn]] void Differ(const std::string& what);
void Expect(bool ok, const std::string& what);
void ExpectText(const std::string& what, const std::wstring& got, const std::wstring& want);

// Runs one scenario and prints its line, "NAME: passed" or "NAME: FAILED: STAGE: WHAT". A step on
// the machine that fails (a stand-in that does not start, say) ends it like a difference, at the
// stage where it failed.
bool Report(const char* name, const std::function<void()>& play);

}  // namespace torvexa::e2e
