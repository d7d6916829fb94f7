#include "app/prin.h"

#include "app/guarded.h"
#include "app/prin_form.h"

namespace torvexa {
namespace {

using namespace prin_colours;
using namespace prin_links;
using namespace prin_texts;

// The box's first line, then one line per item.
std::wstring Lines(const wchar_t* intro, const std::vector<std::wstring>& items) {
    std::wstring text = intro;
    for (const std::wstring& item : items) text.append(kBoxLineBreak).append(item);
    return text;
}

// What goes with the next restart: the files it deletes, then the programs it ends; nothing
// when nothing does.
std::wstring PendingLines(const Remnants& left) {
    std::wstring text;
    auto part = [&](const wchar_t* intro, const std::vector<std::wstring>& items) {
        if (items.empty()) return;
        text.append(text.empty() ? L"" : kBoxLineBreak).append(Lines(intro, items));
    };
    part(kPendingIntro, left.pending);
    part(kPendingProgramsIntro, left.pendingProcesses);
    return text;
}

}  // namespace

prin::prin(FormView& view, Disinfection& disinfection, ShellApi& shell, MessageBoxApi& boxes)
    : view_(view), disinfection_(disinfection), shell_(shell), boxes_(boxes) {}

void prin::Form_Load() {
    view_.SetForeColor(ControlId::Label5, kLinkBlue);
    view_.SetForeColor(ControlId::Label4, kLinkBlue);

    // The whole worm, as the button and the run without the window see it: an installed worm
    // that nothing has started yet is as much there as a running one. The check changes nothing.
    const Remnants found = disinfection_.Check();
    switch (Assess(found)) {
        case Verdict::Infected:
            view_.SetForeColor(ControlId::msg, kDarkRed);
            view_.SetText(ControlId::msg, kInfected);
            return;
        case Verdict::Restart:
            // Reopened before the restart that finishes the job: the user must still be asked
            // for it.
            view_.SetForeColor(ControlId::msg, kDarkRed);
            view_.SetText(ControlId::msg, kAlmostDone);
            break;
        case Verdict::Unchecked:
            // An unreadable process list or Run key proves nothing: never claim a clean machine
            // on it.
            view_.SetForeColor(ControlId::msg, kDarkRed);
            view_.SetText(ControlId::msg, NotCheckedText(found));
            break;
        case Verdict::Clean:
            view_.SetForeColor(ControlId::msg, kVeryDarkBlue);
            view_.SetText(ControlId::msg, kClean);
            break;
    }
    view_.SetEnabled(ControlId::Command1, true);
}

const wchar_t* prin::NotCheckedText(const Remnants& found) {
    if (found.processesUnchecked && found.runKeyUnchecked) return kNotCheckedEither;
    return found.processesUnchecked ? kNotChecked : kNotCheckedRunKey;
}

void prin::Click(ControlId id) {
    // A press holds the window until its last box is answered: a press or "Salir" that reaches
    // the handlers meanwhile (a click posted to the button, say) neither runs inside it nor ends
    // the window under its box.
    if (pressing_ && (id == ControlId::Command1 || id == ControlId::Command2)) return;
    switch (id) {
        case ControlId::Command1:
            pressing_ = true;
            try {
                Command1_Click();
            } catch (...) {
                pressing_ = false;
                throw;
            }
            pressing_ = false;
            break;
        case ControlId::Command2:
            view_.Unload();  // the only window: the program ends with it
            break;
        case ControlId::Label4:
            OpenLink(kMailTarget);
            break;
        case ControlId::Label5:
            OpenLink(kWebTarget);
            break;
        default:
            break;
    }
}

void prin::MouseMove(ControlId id) {
    switch (id) {
        case ControlId::Label4:
            view_.SetForeColor(ControlId::Label4, kHoverRed);
            break;
        case ControlId::Label5:
            view_.SetForeColor(ControlId::Label5, kHoverRed);
            break;
        case ControlId::Frame1:
        case ControlId::None:  // the window's bare surface
            view_.SetForeColor(ControlId::Label5, kLinkBlue);
            view_.SetForeColor(ControlId::Label4, kLinkBlue);
            break;
        default:
            break;  // other controls, the labels above the links included, change nothing
    }
}

void prin::OpenLink(const wchar_t* target) {
    // What the shell makes of it is its own business: nothing is shown either way.
    shell_.ShellExecuteA(view_.WindowHandle(), L"Open", target, std::nullopt, std::nullopt,
                         kSwShowNormal);
}

std::wstring prin::PendingText(const Remnants& left) {
    return PendingLines(left);
}

std::wstring prin::LeftText(const Remnants& left) {
    std::vector<std::wstring> items = left.processes;
    if (left.processesUnchecked) items.emplace_back(kProcessesUnchecked);
    items.insert(items.end(), left.runValues.begin(), left.runValues.end());
    if (left.runKeyUnchecked) items.emplace_back(kRunKeyUnchecked);
    items.insert(items.end(), left.files.begin(), left.files.end());
    // What the restart takes is still there too, until then.
    const std::wstring pending = PendingLines(left);
    return Lines(kLeftIntro, items) + (pending.empty() ? L"" : kBoxLineBreak + pending);
}

void prin::SetStatus(Rgb color, const wchar_t* text) {
    Guarded([&] { view_.SetForeColor(ControlId::msg, color); });
    Guarded([&] { view_.SetText(ControlId::msg, text); });
}

void prin::Tell(const std::wstring& text) {
    // MB_OK is 0; it is named to say that the box has the OK button only.
    Guarded([&] {
        boxes_.MessageBox(text, kAppTitle,
                          kMbOk | kMbIconInformation);  // cppcheck-suppress badBitmaskCheck
    });
}

void prin::Command1_Click() {
    const Remnants left = disinfection_.Run();
    const Verdict verdict = Assess(left);
    if (verdict == Verdict::Infected || verdict == Verdict::Unchecked) {
        // Telling the user the machine is clean while the worm is still there would be the worst
        // answer this program could give; the box says what stays, so that a helper knows.
        SetStatus(kDarkRed, kNotRemoved);
        Tell(LeftText(left));
        return;
    }
    if (verdict == Verdict::Restart) {
        // The restart closes the messenger as well: no question about it.
        SetStatus(kDarkRed, kAlmostDone);
        Tell(PendingText(left));
        return;
    }
    SetStatus(kVeryDarkBlue, kDisinfected);
    const std::wstring question = std::wstring(kQuestionFirst) + L"\n\r" + kQuestionSecond;
    if (boxes_.MessageBox(question, kAppTitle, kMbYesNo | kMbIconInformation) != kIdYes) return;
    CloseMessengerAndConfirm();
}

void prin::CloseMessengerAndConfirm() {
    const bool closed = disinfection_.CloseMessenger();
    Tell(closed ? kMsnClosed : kMsnNotClosed);
}

}  // namespace torvexa
