#include "fileinfo/mclsFileProperties.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

#include "fileinfo/file_texts.h"
#include "fileinfo/version_block.h"
#include "platform/owned_handle.h"

namespace torvexa {
namespace {

std::int16_t Flag(std::uint32_t attributes, std::uint32_t bit) {
    return (attributes & bit) != 0 ? kTrue : kFalse;
}

std::uint64_t SizeOf(const Win32FindData& data) {
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// The version keys in the order they are looked up. Note the key "OriginalFilename".
struct VersionKey {
    // cppcheck-suppress unusedStructMember ; read through the structured binding in the lookup
    std::string_view key;
    std::wstring mclsFileProperties::*property;
};

}  // namespace

Win32FindData mclsFileProperties::FindFileData(const std::wstring& name) {
    Win32FindData data;
    // Only the first match is used; a failed close changes nothing.
    const FindHandle search(files_, files_.FindFirstFileA(name, data));
    if (!search) {
        data = Win32FindData{};
        constexpr std::wstring_view kErrorMark = L"Error";
        std::copy(kErrorMark.begin(), kErrorMark.end(), data.cFileName.begin());
        return data;
    }
    return data;
}

void mclsFileProperties::SetTimes(const Win32FindData& data) {
    // One record for all three conversions: a time that cannot be converted shows what the
    // previous one left in it.
    SystemTime time;
    files_.FileTimeToSystemTime(data.ftCreationTime, time);
    creationTime_ = DateTimeText(time);
    files_.FileTimeToSystemTime(data.ftLastWriteTime, time);
    lastWriteTime_ = DateTimeText(time);
    files_.FileTimeToSystemTime(data.ftLastAccessTime, time);
    lastAccessTime_ = DateText(time);
}

void mclsFileProperties::SetFlags(std::uint32_t attributes) {
    compress_ = Flag(attributes, kFileAttributeCompressed);
    temporary_ = Flag(attributes, kFileAttributeTemporary);
    normal_ = Flag(attributes, kFileAttributeNormal);
    archive_ = Flag(attributes, kFileAttributeArchive);
    directory_ = Flag(attributes, kFileAttributeDirectory);
    system_ = Flag(attributes, kFileAttributeSystem);
    hidden_ = Flag(attributes, kFileAttributeHidden);
    readOnly_ = Flag(attributes, kFileAttributeReadOnly);
}

void mclsFileProperties::ReadVersionStrings(const std::wstring& path) {
    static constexpr VersionKey kKeys[] = {
        {"CompanyName", &mclsFileProperties::companyName_},
        {"FileDescription", &mclsFileProperties::fileDescription_},
        {"FileVersion", &mclsFileProperties::fileVersion_},
        {"InternalName", &mclsFileProperties::internalName_},
        {"LegalCopyright", &mclsFileProperties::legalCopyright_},
        {"OriginalFilename", &mclsFileProperties::originalFileName_},
        {"ProductName", &mclsFileProperties::productName_},
        {"ProductVersion", &mclsFileProperties::productVersion_},
    };
    std::uint32_t handle = 0;
    const auto size = static_cast<std::int32_t>(versions_.GetFileVersionInfoSizeA(path, handle));
    if (size <= 0) return;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0);
    if (!versions_.GetFileVersionInfoA(path, 0, static_cast<std::uint32_t>(size), bytes.data())) {
        return;
    }
    const VersionBlock block(std::move(bytes));
    for (const auto& [key, property] : kKeys) {
        if (auto value = block.Find(key, locale_)) this->*property = std::move(*value);
    }
}

void mclsFileProperties::QueryShell(const std::wstring& path, std::int16_t bLargeIcon) {
    const std::uint32_t flags =
        kShgfiSysIconIndex | kShgfiTypeName | (bLargeIcon != 0 ? kShgfiLargeIcon : kShgfiSmallIcon);
    ShFileInfo info;
    shell_.SHGetFileInfoA(path, 0, info, ShFileInfo::kSystemSize, flags);
    const std::wstring_view field(info.szTypeName.data(), info.szTypeName.size());
    fileType_ = std::wstring(field.substr(0, field.find(L'\0')));
    iconIndex_ = info.iIcon;
}

std::int32_t mclsFileProperties::FindFileInfo(const std::wstring& strFileName,
                                              std::int16_t bLargeIcon) {
    if (strFileName.empty()) return 0;
    const Win32FindData data = FindFileData(strFileName);
    SetTimes(data);
    SetFlags(data.dwFileAttributes);
    fileName_ = locale_.UpperCase(strFileName);
    byteSize_ = SizeText(SizeOf(data), locale_.ThousandSeparator());
    ReadVersionStrings(strFileName);
    QueryShell(strFileName, bLargeIcon);
    return 1;
}

std::int32_t mclsFileProperties::FindFileInfoView(const std::wstring& strFileName,
                                                  std::int16_t bLargeIcon) {
    if (strFileName.empty()) return 0;
    const Win32FindData data = FindFileData(strFileName);
    SetTimes(data);
    byteSize_ = SizeText(SizeOf(data), locale_.ThousandSeparator());
    QueryShell(strFileName, bLargeIcon);
    return 1;
}

std::int32_t mclsFileProperties::FindFileSize(const std::wstring& FileName) {
    try {
        const std::uint64_t size = SizeOf(FindFileData(FileName));
        constexpr auto kLargest = std::numeric_limits<std::int32_t>::max();
        return size > static_cast<std::uint64_t>(kLargest) ? kLargest
                                                           : static_cast<std::int32_t>(size);
    } catch (...) {
        return 0;  // this query never fails to its caller
    }
}

}  // namespace torvexa
