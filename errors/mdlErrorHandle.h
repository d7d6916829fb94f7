// One-line error reports. A failed system call or a trapped run-time failure becomes one line,
// "ERROR: <code> at <module>\<procedure> >>> <description>" (or "VB ERROR: ..."), which goes to the
// sink. The shipped program's sink discards every line; tests install one that captures them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace torvexa {

class mdlErrorHandle {
  public:
    using Sink = std::function<void(const std::wstring& line)>;

    mdlErrorHandle() = default;
    explicit mdlErrorHandle(Sink sink) : sink_(std::move(sink)) {}

    void ReportApiError(std::int32_t code, const std::wstring& description,
                        const std::wstring& moduleName, const std::wstring& procedureName) const;
    void ReportRuntimeError(std::int32_t code, const std::wstring& description,
                            const std::wstring& moduleName,
                            const std::wstring& procedureName) const;
    // Hands a finished line to the sink; without one, the line is discarded.
    void LogError(const std::wstring& line) const;

  private:
    Sink sink_;
};

}  // namespace torvexa
