#include "fileinfo/file_texts.h"

namespace torvexa {

std::wstring DateText(const SystemTime& time) {
    return std::to_wstring(time.wDay) + L"/" + std::to_wstring(time.wMonth) + L"/" +
           std::to_wstring(time.wYear);
}

std::wstring DateTimeText(const SystemTime& time) {
    return DateText(time) + L" " + std::to_wstring(time.wHour) + L":" +
           std::to_wstring(time.wMinute) + L":" + std::to_wstring(time.wSecond);
}

std::wstring SizeText(std::uint64_t bytes, const std::wstring& separator) {
    if (bytes == 0) return {};
    const std::wstring digits = std::to_wstring(bytes);
    std::wstring text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
        text += digits[i];
    }
    return text;
}

}  // namespace torvexa
