#include "tests/e2e/expect.h"

#include <cstdio>
#include <stdexcept>

#include "sandbox/machine.h"

namespace torvexa::e2e {
namespace {

std::string g_stage;

struct Difference : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace

void Stage(const std::string& stage) {
    g_stage = stage;
}

void Differ(const std::string& what) {
    throw Difference(g_stage + ": " + what);
}

void Expect(bool ok, const std::string& what) {
    if (!ok) Differ(what);
}

void ExpectText(const std::string& what, const std::wstring& got, const std::wstring& want) {
    if (got != want) {
        Differ(what + " is \"" + sandbox::Utf8(got) + "\", expected \"" + sandbox::Utf8(want) +
               "\"");
    }
}

bool Report(const char* name, const std::function<void()>& play) {
    try {
        try {
            play();
        } catch (const sandbox::MachineError& e) {
            Differ(e.what());
        }
        std::printf("%s: passed\n", name);
        return true;
    } catch (const std::exception& e) {
        std::printf("%s: FAILED: %s\n", name, e.what());
        return false;
    }
}

}  // namespace torvexa::e2e
