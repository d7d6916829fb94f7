// One guarded step: whatever fails inside it abandons that step only, and silently; the caller
// goes on with its next step. The disinfection is a sequence of such steps.
#pragma once

namespace torvexa {

template <typename Step>
void Guarded(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

}  // namespace torvexa
