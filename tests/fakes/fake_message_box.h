// Records every box and answers with the buttons the test queued (OK, or Yes for a Yes/No box,
// when nothing is queued).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace torvexa::fakes {

struct ShownBox {
    std::wstring text;
    std::wstring title;
    std::uint32_t type;
};

class FakeMessageBox : public MessageBoxApi {
  public:
    std::vector<ShownBox> shown;
    std::deque<int> answers;

    int MessageBox(const std::wstring& text, const std::wstring& title,
                   std::uint32_t type) override {
        shown.push_back({text, title, type});
        if (!answers.empty()) {
            const int a = answers.front();
            answers.pop_front();
            return a;
        }
        return (type & 0xF) == kMbYesNo ? kIdYes : kIdOk;
    }
};

}  // namespace torvexa::fakes
