// Waiting, bounded, for something to hold: the removal waits for ended programs to go, and the
// check and the file policy for a program to show its file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "process/mdlProcess.h"

namespace torvexa::timing {

// A terminated process may hold its files for a moment: poll this often, this long at most. The
// programs of the worm are ended for this long at most too.
inline constexpr std::uint32_t kPollMilliseconds = 50;
inline constexpr std::uint32_t kWaitLimitMilliseconds = 2000;
// The worm's programs are looked for this often while they are ended.
inline constexpr std::uint32_t kRoundMilliseconds = 10;
// A worm program whose path cannot be read is looked at again this long at most.
inline constexpr std::uint32_t kImageWaitLimitMilliseconds = 1000;

// Asks `done` every `everyMilliseconds` until it answers true or `limitMilliseconds` have passed;
// true when it did. The bound is the time that has passed, the checks' own time included.
template <typename Done>
bool PollUntil(Clock& clock, std::uint32_t limitMilliseconds, std::uint32_t everyMilliseconds,
               Done done) {
    const std::uint32_t start = clock.Milliseconds();
    for (;;) {
        if (done()) return true;
        // Unsigned 32-bit arithmetic: right also when the tick count wraps during the wait.
        const std::uint32_t waited = clock.Milliseconds() - start;
        if (waited >= limitMilliseconds) return false;
        clock.Sleep(std::min(everyMilliseconds, limitMilliseconds - waited));
    }
}

// The file the worm's program `id` runs from. A program that has only just started (a host of
// the worm's DLL starts it again the moment it ends) is listed before its loader has built the
// module list that Windows before Vista reads its path from: it is looked at again, bounded, while
// it cannot be read and the program is still listed. A program that has ended meanwhile, or whose
// path stays unreadable, gives none.
inline std::optional<std::wstring> ImagePathOf(mdlProcess& process, Clock& clock, ProcessId id) {
    std::optional<std::wstring> image;
    PollUntil(clock, kImageWaitLimitMilliseconds, kPollMilliseconds, [&] {
        image = process.ImagePath(id);
        return image.has_value() || !process.IsListed(id);
    });
    return image;
}

}  // namespace torvexa::timing
