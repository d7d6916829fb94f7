// The DLL-search restriction under Wine, with Windows' own native-first load order for one DLL
// name: a stand-in planted beside a probe program under that name runs without the restriction,
// and with it, on either path, the system's copy is loaded instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win32/support.h"

namespace torvexa {
namespace {

// A DLL that neither the probe nor Wine loads before the probe's own load, that Wine's system
// folder holds, and that the older-Windows path preloads.
constexpr const wchar_t* kPlantedName = L"uxtheme.dll";

struct ProbeRun {
    std::string output;
    bool plantedRan = false;
};

// Runs the probe from a folder that holds the stand-in under kPlantedName.
ProbeRun RunProbe(const std::wstring& mode) {
    const std::wstring folder = test::MakeScratchFolder(L"planted_" + mode);
    const std::wstring probe = folder + L"\\dll_probe.exe";
    const std::wstring planted = folder + L"\\" + kPlantedName;
    const std::wstring mark = planted + L".loaded";
    DeleteFileW(mark.c_str());
    EXPECT_TRUE(CopyFileW((test::BuildDir() + L"\\dll_probe.exe").c_str(), probe.c_str(), FALSE));
    EXPECT_TRUE(
        CopyFileW((test::BuildDir() + L"\\planted_dll.dll").c_str(), planted.c_str(), FALSE));

    ProbeRun run;
    {
        const test::NativeFirst nativeFirst(L"dll_probe.exe", L"uxtheme");
        run.output = test::RunCaptured(probe, {mode, kPlantedName});
    }
    run.plantedRan = GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES;
    for (const std::wstring& f : {probe, planted, mark}) DeleteFileW(f.c_str());
    RemoveDirectoryW(folder.c_str());
    return run;
}

bool LoadedFromSystemFolder(const std::string& output) {
    return output.find("loaded: C:\\windows\\system32\\uxtheme.dll") != std::string::npos;
}

TEST(DllSearchLayer, WithoutTheRestrictionAPlantedDllRuns) {
    // The stage is real: this is what the restriction has to prevent.
    const ProbeRun run = RunProbe(L"none");
    EXPECT_TRUE(run.plantedRan) << run.output;
    EXPECT_FALSE(LoadedFromSystemFolder(run.output)) << run.output;
}

TEST(DllSearchLayer, RestrictedToTheSystemFolderTheSystemCopyLoads) {
    const ProbeRun run = RunProbe(L"system");
    EXPECT_NE(run.output.find("search: system folder only"), std::string::npos) << run.output;
    EXPECT_FALSE(run.plantedRan) << run.output;
    EXPECT_TRUE(LoadedFromSystemFolder(run.output)) << run.output;
}

TEST(DllSearchLayer, WithoutSetDefaultDllDirectoriesThePreloadedSystemCopyIsUsed) {
    const ProbeRun run = RunProbe(L"xp");
    EXPECT_NE(run.output.find("search: preloaded"), std::string::npos) << run.output;
    EXPECT_FALSE(run.plantedRan) << run.output;
    EXPECT_TRUE(LoadedFromSystemFolder(run.output)) << run.output;
}

}  // namespace
}  // namespace torvexa
