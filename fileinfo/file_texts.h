// The texts the file-properties class shows: UTC date-time and date texts with fixed separators
// and no leading zeros, and the byte count grouped in threes with the user's separator.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_find.h"

namespace torvexa {

// "5/3/2004 9:7:3": day/month/year hour:minute:second.
std::wstring DateTimeText(const SystemTime& time);
// "25/12/2003": day/month/year.
std::wstring DateText(const SystemTime& time);
// The byte count in the pattern "###,###,###" with `separator` between groups: every digit shown,
// however many, and 0 as the empty text.
std::wstring SizeText(std::uint64_t bytes, const std::wstring& separator);

}  // namespace torvexa
