// Reading a file's version block whole: GetFileVersionInfoSizeA and GetFileVersionInfoA.
#pragma once

#include <cstdint>
#include <string>

namespace torvexa {

class VersionInfoApi {
  public:
    virtual ~VersionInfoApi() = default;
    // The size in bytes to reserve for the file's version block, 0 when it has none. `handle` is
    // set to 0 by the system.
    virtual std::uint32_t GetFileVersionInfoSizeA(const std::wstring& fileName,
                                                  std::uint32_t& handle) = 0;
    // Fills `data` (`length` bytes) with the version block; false when it cannot be read.
    virtual bool GetFileVersionInfoA(const std::wstring& fileName, std::uint32_t handle,
                                     std::uint32_t length, std::uint8_t* data) = 0;
};

}  // namespace torvexa
