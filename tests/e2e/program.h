// Torvexa.exe as the scenarios work it: through its window, the way a user would (read the status,
// press a button, answer a box, leave), reading the window's controls and boxes through window
// messages and the screen's pixels; or with switches, the way an administrator would (its exit
// code, its report line, no window ever).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "harness/child_process.h"
#include "platform/form.h"
#include "platform/win32/win.h"
#include "tests/e2e/staging.h"

namespace torvexa::e2e {

// Where screenshots go ("" for none): the driver names the folder, and only the scenarios that
// call TakeScreenshots() save any.
void SetScreenshotFolder(const std::wstring& folder);
void TakeScreenshots(bool on);

// How the question about the messenger is answered.
enum class Messenger { CloseIt, KeepIt };

// Torvexa.exe with its window, while a scenario works it; ended at the latest when it goes.
class Torvexa {
  public:
    explicit Torvexa(const std::wstring& exe = DefaultExe());

    static std::wstring DefaultExe();

    // The window as it opens: every control's text, the focus on "Salir", and the status.
    void ExpectInfected() const;
    void ExpectClean() const;
    void ExpectStart(const std::wstring& status, bool red) const;

    // Presses "Desinfectame!!!"; what it ends with is read by the Expect... after it.
    void Press();
    // The machine disinfected: the status says so and the question about the messenger is
    // answered (Yes is confirmed in its own box).
    void ExpectDisinfected(Messenger answer);
    // Nothing left but what goes at the restart: the restart status and a box naming its files,
    // then those of `programs` that run at the moment of the check (one that is started again
    // the moment it ends may be between two runs), in this order.
    void ExpectAlmostDone(const std::vector<std::wstring>& files,
                          const std::vector<std::wstring>& programs);
    // Something left: the honest failure status and a box naming each item.
    void ExpectLeft(const std::vector<std::wstring>& items);

    // Clicks the web link; the shell is loaded by that click and not before.
    void ClickWebLink() const;
    // Leaves through "Salir" or the close box; the program must end with exit code 0.
    void Leave(bool closeBox = false);
    // Whether the program has loaded the DLL `name` ("shell32.dll", say).
    bool HasModule(const wchar_t* name) const;
    // Saves the program's visible windows as NAME.bmp, when the scenario takes screenshots.
    void Shot(const wchar_t* name) const;

  private:
    HWND Control(ControlId id) const;
    HWND Box() const;
    // The box's text must be one of `texts`.
    void AnswerBox(const std::string& what, const std::vector<std::wstring>& texts, bool yesNo,
                   int answer, const wchar_t* shot) const;
    void ExpectNoBox() const;
    void ExpectStatus(const std::wstring& text, bool red) const;
    // Waits for the box a press opens and checks the status the user sees under it.
    void ExpectStatusUnderBox(const std::string& what, const std::wstring& status) const;

    harness::ChildProcess child_;  // ended at the latest with the scenario
    HWND window_ = nullptr;
    int presses_ = 0;
};

// Runs Torvexa.exe with switches: it must end by itself with `code`, no window or box of it may
// ever appear, it must print one report line with `words` (nothing when it refuses its command
// line, 87), and the machine must then be as `after` says (not read when none is given).
void ExpectSilentRun(const std::vector<std::wstring>& arguments, DWORD code,
                     const std::string& words, const std::optional<Machine>& after);
// The same, with the words one of `anyOf`.
void ExpectSilentRun(const std::vector<std::wstring>& arguments, DWORD code,
                     const std::vector<std::string>& anyOf, const std::optional<Machine>& after);
// `line` is one report line: local date and time, this computer, `code`, `words` (or one of
// `anyOf`), a line end.
void ExpectReportLine(const std::string& what, const std::string& line, DWORD code,
                      const std::string& words);
void ExpectReportLine(const std::string& what, const std::string& line, DWORD code,
                      const std::vector<std::string>& anyOf);
// `items` and every part of it that keeps their order, `items` first: what a check can see of
// programs that may be between two runs.
std::vector<std::vector<std::wstring>> InOrderParts(const std::vector<std::wstring>& items);

}  // namespace torvexa::e2e
