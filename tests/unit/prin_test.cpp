#include "app/prin.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "tests/unit/prin_machine.h"

namespace torvexa {
namespace {

using namespace prin_colours;
using namespace prin_links;
using namespace prin_texts;
using fakes::FakeProcess;

using fakes::kHklm;
using fakes::kHkt1;
using fakes::kMoniker;
using fakes::kQuestion;
using fakes::kRun;
using fakes::kSyslray;
using fakes::Machine;

class PrinTest : public ::testing::Test, public Machine {};

TEST_F(PrinTest, StartUpCheckSetsTheLinksThenTheStatus) {
    struct Case {
        std::vector<FakeProcess> processes;
        bool snapshotFails;
        const wchar_t* text;
        Rgb color;
    };
    const std::vector<Case> cases = {
        {{{4, L"explorer.exe"}}, false, kClean, kVeryDarkBlue},
        {{{4, L"explorer.exe"}, {9, L"syslray.exe"}}, false, kInfected, kDarkRed},
        {{{4, L"explorer.exe"}, {9, L"moniker.exe"}}, false, kInfected, kDarkRed},
        {{{9, L"moniker.exe"}, {10, L"syslray.exe"}}, false, kInfected, kDarkRed},
        {{{9, L"moniker.exe"}}, true, kNotChecked, kDarkRed},
    };
    for (const auto& c : cases) {
        view = {};
        api.processes = c.processes;
        api.snapshotFails = c.snapshotFails ? std::optional<std::uint32_t>(8) : std::nullopt;
        api.calls.clear();
        form.Form_Load();
        ASSERT_GE(view.log.size(), 4u);
        EXPECT_EQ(view.log[0], L"color Label5 0,0,255");
        EXPECT_EQ(view.log[1], L"color Label4 0,0,255");
        EXPECT_EQ(view.log[2].substr(0, 10), L"color msg ");  // colour before text
        EXPECT_EQ(Status(), c.text);
        EXPECT_EQ(view.color[ControlId::msg], c.color);
        // The button starts enabled and is never disabled, whatever the check found.
        EXPECT_EQ(std::count(view.log.begin(), view.log.end(), L"enabled Command1 0"), 0);
        // Both lookups always run: two snapshots.
        EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), L"CreateToolhelp32Snapshot(2,0)"),
                  2);
    }
}

TEST_F(PrinTest, DisinfectsAnInfectedMachineAndAsksAboutTheMessenger) {
    Infect();
    api.processes.push_back({20, L"msnmsgr.exe"});
    form.Form_Load();
    boxes.answers = {kIdNo};
    form.Click(ControlId::Command1);

    // moniker.exe is ended before syslray.exe; the messenger is left alone on No.
    EXPECT_LT(std::find(api.calls.begin(), api.calls.end(), L"OpenProcess(0x401,0,10)"),
              std::find(api.calls.begin(), api.calls.end(), L"OpenProcess(0x401,0,11)"));
    EXPECT_FALSE(api.IsRunning(10));
    EXPECT_FALSE(api.IsRunning(11));
    EXPECT_TRUE(api.IsRunning(20));
    EXPECT_TRUE(api.IsRunning(4));
    const std::vector<std::wstring> deletes = {L"DeleteFile(" + kMoniker + L")",
                                               L"DeleteFile(" + kSyslray + L")",
                                               L"DeleteFile(" + kHkt1 + L")"};
    EXPECT_EQ(files.calls, deletes);
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ((registry.keys[std::pair(kHklm, kRun)]), std::set<std::wstring>{L"keep"});
    EXPECT_EQ(Status(), kDisinfected);
    EXPECT_EQ(view.color[ControlId::msg], kVeryDarkBlue);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kQuestion);
    EXPECT_EQ(boxes.shown[0].title, L"Torvexa");
    EXPECT_EQ(boxes.shown[0].type, kMbYesNo | kMbIconInformation);
}

TEST_F(PrinTest, OnACleanMachineTheWholeSequenceStillRuns) {
    Clean();
    form.Form_Load();
    form.Click(ControlId::Command1);
    // Nothing of the worm runs, so nothing of it is ended; the messenger, on Yes, is looked for
    // and its id 0 ended as ever.
    EXPECT_EQ(Opens(0), 1u);
    EXPECT_EQ(files.calls.size(), 3u);
    EXPECT_EQ(
        std::count_if(registry.calls.begin(), registry.calls.end(),
                      [](const std::wstring& c) { return c.starts_with(L"RegDeleteValueA"); }),
        2);
    EXPECT_EQ(Status(), kDisinfected);
    EXPECT_EQ(clock.slept, 0u);  // nothing was terminated, so nothing to wait for
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, kMsnClosed);
    // cppcheck-suppress badBitmaskCheck ; MB_OK is 0, named for what the box shows
    EXPECT_EQ(boxes.shown[1].type, kMbOk | kMbIconInformation);
}

TEST_F(PrinTest, AFailureInsideOneStepLeavesTheLaterStepsRunning) {
    Infect();
    api.throwOnOpen = 10;                        // ending moniker.exe fails
    registry.throwOnDelete = L"realone_nt2003";  // so does the first Run value
    files.onDelete = [](const std::wstring& p) {
        if (p.ends_with(L"MONIKER.exe")) throw RuntimeError(RuntimeError::kOutOfMemory, L"x");
    };
    form.Click(ControlId::Command1);

    EXPECT_FALSE(api.IsRunning(11));
    EXPECT_EQ(registry.keys[std::pair(kHklm, kRun)].count(L"realone_nt2004"), 0u);
    EXPECT_EQ(files.calls.size(), 3u);
    EXPECT_EQ(files.files.count(kHkt1), 0u);
    // What failed is still there, so the machine is not reported clean, and the box says what.
    EXPECT_EQ(Status(), kNotRemoved);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              L"Esto del gusano sigue en tu PC:\r\nmoniker.exe\r\n"
              L"realone_nt2003\r\n" +
                  kMoniker);
}

// Files whose presence cannot be checked, and that cannot be recorded for the restart either,
// are not called gone.
TEST_F(PrinTest, FilesThatCannotBeCheckedAreNotCalledGone) {
    Infect();
    files.existsUnknown = true;
    files.recordFails = 5;
    form.Click(ControlId::Command1);
    EXPECT_EQ(Status(), kNotRemoved);
    EXPECT_EQ(view.color[ControlId::msg], kDarkRed);
    // No question about the messenger: one box, saying what is left.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.starts_with(kLeftIntro));
}

TEST_F(PrinTest, OnePressEndsEveryProgramOfTheWormsNames) {
    Infect();
    api.processes.push_back({12, L"moniker.exe"});
    api.processes.push_back({13, L"syslray.exe"});
    form.Click(ControlId::Command1);
    for (const ProcessId id : {10, 11, 12, 13}) EXPECT_FALSE(api.IsRunning(id)) << id;
    EXPECT_EQ(Status(), kDisinfected);
}

TEST_F(PrinTest, WaitsBoundedForTerminatedProcessesBeforeDeleting) {
    Infect();
    api.processes[1].lingerSnapshots = 3;  // moniker.exe takes a while to exit
    std::size_t deletesWhenWaitEnded = 99;
    clock.onSleep = [&] { deletesWhenWaitEnded = files.calls.size(); };
    form.Click(ControlId::Command1);
    EXPECT_GT(clock.slept, 0u);
    EXPECT_EQ(deletesWhenWaitEnded, 0u);  // no file is touched while waiting
    EXPECT_EQ(Status(), kDisinfected);

    Machine stuck;
    stuck.Infect();
    stuck.api.processes[1].survivesTerminate = true;
    stuck.form.Click(ControlId::Command1);
    EXPECT_EQ(stuck.clock.slept, Disinfection::kWaitLimitMilliseconds);

    // Slow checks count towards the bound: with 490 ms passing besides each 10 ms pause between
    // two looks, the wait ends after 2 s in all, not after 200 pauses.
    Machine slow;
    slow.Infect();
    slow.api.processes[1].survivesTerminate = true;
    slow.clock.onSleep = [&] { slow.clock.now += 490; };
    const std::uint32_t before = slow.clock.now;
    slow.form.Click(ControlId::Command1);
    EXPECT_EQ(slow.clock.slept, 4 * Disinfection::kRoundMilliseconds);
    EXPECT_EQ(slow.clock.now - before, Disinfection::kWaitLimitMilliseconds);

    // The tick count wraps to 0 after 49.7 days: a wait that spans the wrap still lasts 2 s,
    // neither ending at once nor running on.
    Machine wrapping;
    wrapping.Infect();
    wrapping.api.processes[1].survivesTerminate = true;
    wrapping.clock.now = 0xFFFFFFFFu - 120;
    wrapping.form.Click(ControlId::Command1);
    EXPECT_EQ(wrapping.clock.slept, Disinfection::kWaitLimitMilliseconds);
    EXPECT_LT(wrapping.clock.now, 0xFFFFFFFFu - 120);  // it did wrap
}

TEST_F(PrinTest, MessengerAnswerSaysWhatReallyHappened) {
    struct Case {
        bool running, survives, listUnreadable, listCutShort;
        const wchar_t* box;
    };
    const Case cases[] = {
        {true, false, false, false, kMsnClosed},   {false, false, false, false, kMsnClosed},
        {true, true, false, false, kMsnNotClosed}, {true, false, true, false, kMsnNotClosed},
        {true, false, false, true, kMsnNotClosed}, {false, false, false, true, kMsnNotClosed}};
    for (const auto& c : cases) {
        Machine t;
        t.Clean();
        if (c.running) t.api.processes.push_back({20, L"msnmsgr.exe", c.survives});
        // The list becomes unreadable just for the messenger's lookup.
        if (c.listUnreadable) t.boxes.onShow = [&t] { t.api.snapshotFails = 8; };
        // Or read only as far as explorer.exe: the messenger, if it runs, is in the rest.
        if (c.listCutShort) t.boxes.onShow = [&t] { t.api.nextFails = 31; };
        t.form.Click(ControlId::Command1);
        ASSERT_EQ(t.boxes.shown.size(), 2u);
        EXPECT_EQ(t.boxes.shown[1].text, c.box);
        EXPECT_EQ(t.boxes.shown[1].title, L"Torvexa");
        EXPECT_EQ(t.api.IsRunning(20),
                  c.running && (c.survives || c.listUnreadable || c.listCutShort));
    }
    // Another user's messenger (another session) is left alone, this user's goes; without
    // sessions (98, ME) every one is this user's.
    for (const bool sessions : {true, false}) {
        Machine t;
        t.Clean();
        t.api.processes.push_back({20, L"msnmsgr.exe"});
        t.api.processes.push_back({21, L"MSNMSGR.EXE"});
        t.api.processes.back().session = 2;
        if (!sessions) t.api.ownSession = std::nullopt;
        t.form.Click(ControlId::Command1);
        EXPECT_EQ(t.boxes.shown.at(1).text, kMsnClosed);
        EXPECT_FALSE(t.api.IsRunning(20));
        EXPECT_EQ(t.api.IsRunning(21), sessions);
    }
}

TEST_F(PrinTest, LinksTurnRedUnderThePointerAndBlueOverBareSurfaceOnly) {
    form.Form_Load();
    struct Move {
        ControlId over;
        Rgb label4, label5;
    };
    const Rgb blue = kLinkBlue, red = kHoverRed;
    const std::vector<Move> moves = {
        {ControlId::Label4, red, blue},   {ControlId::Label3, red, blue},
        {ControlId::Label6, red, blue},   {ControlId::msg, red, blue},
        {ControlId::Command1, red, blue}, {ControlId::Frame2, red, blue},
        {ControlId::Frame1, blue, blue},  {ControlId::Label5, blue, red},
        {ControlId::Label4, red, red},    {ControlId::None, blue, blue},
    };
    for (const auto& m : moves) {
        form.MouseMove(m.over);
        EXPECT_EQ(view.color[ControlId::Label4], m.label4) << fakes::FakeView::Name(m.over);
        EXPECT_EQ(view.color[ControlId::Label5], m.label5) << fakes::FakeView::Name(m.over);
    }
    view.log.clear();
    form.MouseMove(ControlId::Frame1);
    EXPECT_EQ(view.log,
              (std::vector<std::wstring>{L"color Label5 0,0,255", L"color Label4 0,0,255"}));
}

TEST_F(PrinTest, LinkClicksGoToTheShellAndSalirUnloads) {
    form.Form_Load();
    const auto before = view.log.size();
    form.Click(ControlId::Label4);
    form.Click(ControlId::Label5);
    ASSERT_EQ(shell.calls.size(), 2u);
    for (const auto& c : shell.calls) {
        EXPECT_EQ(c.window, 0x4242u);
        EXPECT_EQ(c.verb, L"Open");
        EXPECT_FALSE(c.parameters.has_value());
        EXPECT_FALSE(c.directory.has_value());
        EXPECT_EQ(c.show, 1);
    }
    EXPECT_EQ(shell.calls[0].file.rfind(L"mailto:", 0), 0u);
    EXPECT_EQ(shell.calls[1].file.rfind(L"http://", 0), 0u);
    EXPECT_EQ(view.log.size(), before);  // a failed shell call shows nothing, colours unchanged
    form.Click(ControlId::Command2);
    EXPECT_TRUE(view.unloaded);
}

}  // namespace
}  // namespace torvexa
