// A log's path that names a device or a pipe is told from one that names a file.
#include "platform/device_names.h"

#include <gtest/gtest.h>

namespace torvexa {
namespace {

TEST(DeviceNames, DevicesAndPipesAreToldFromFiles) {
    for (const wchar_t* device :
         {L"COM1", L"lpt9", L"PRN", L"aux", L"NUL", L"CON", L"COM1.txt", L"C:\\logs\\nul.log",
          L"C:\\CON\\x.log", L"lpt1 :", L"C:NUL", L"CONOUT$", L"COM\u00B9", L"\\\\.\\COM1",
          L"\\\\.\\pipe\\torvexa", L"//./pipe/torvexa", L"\\\\.\\C:\\x.log",
          L"\\\\?\\GLOBALROOT\\Device\\Null", L"\\\\server\\pipe\\x", L"\\\\SRV\\MailSlot\\x",
          L"\\\\?\\UNC\\srv\\pipe\\x", L"\\\\?\\C:\\logs\\com2.log"}) {
        EXPECT_TRUE(NamesADeviceOrPipe(device)) << device;
    }
    for (const wchar_t* file :
         {L"C:\\torvexa.log", L"torvexa.log", L"logs\\console.log", L"COM10", L"COM0", L"LPT",
          L"C:\\nul-log\\aux1.txt", L"\\\\aux\\logs\\t.log", L"\\\\srv\\pipes\\t.log",
          L"\\\\?\\C:\\logs\\t.log", L"\\\\?\\UNC\\srv\\logs\\t.log", L"C:"}) {
        EXPECT_FALSE(NamesADeviceOrPipe(file)) << file;
    }
}

}  // namespace
}  // namespace torvexa
