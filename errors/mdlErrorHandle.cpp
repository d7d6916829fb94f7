#include "errors/mdlErrorHandle.h"

namespace torvexa {
namespace {

std::wstring FormatLine(const wchar_t* prefix, std::int32_t code, const std::wstring& description,
                        const std::wstring& moduleName, const std::wstring& procedureName) {
    std::wstring line = prefix;
    line += std::to_wstring(code);
    line += L" at ";
    line += moduleName;
    line += L'\\';
    line += procedureName;
    line += L" >>> ";
    line += description;
    return line;
}

}  // namespace

void mdlErrorHandle::ReportApiError(std::int32_t code, const std::wstring& description,
                                    const std::wstring& moduleName,
                                    const std::wstring& procedureName) const {
    LogError(FormatLine(L"ERROR: ", code, description, moduleName, procedureName));
}

void mdlErrorHandle::ReportRuntimeError(std::int32_t code, const std::wstring& description,
                                        const std::wstring& moduleName,
                                        const std::wstring& procedureName) const {
    LogError(FormatLine(L"VB ERROR: ", code, description, moduleName, procedureName));
}

void mdlErrorHandle::LogError(const std::wstring& line) const {
    if (sink_) sink_(line);
}

}  // namespace torvexa
