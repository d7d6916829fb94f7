// mclsFileProperties: gathers what the system knows about one file into read-only properties:
// attribute flags, three time stamps as UTC texts, the size as a text, eight strings of the
// version block, the upper-cased path, the shell's type name and system icon index. A call
// overwrites only the properties it assigns; everything else keeps what an earlier call left.
#pragma once

#include <cstdint>
#include <string>

#include "platform/boolean.h"
#include "platform/file_find.h"
#include "platform/locale.h"
#include "platform/shell_file_info.h"
#include "platform/version_info.h"

namespace torvexa {

class mclsFileProperties {
  public:
    mclsFileProperties(FileFindApi& files, VersionInfoApi& versions, ShellFileInfoApi& shell,
                       LocaleApi& locale)
        : files_(files), versions_(versions), shell_(shell), locale_(locale) {}

    std::int32_t IconIndex() const { return iconIndex_; }
    const std::wstring& FileType() const { return fileType_; }
    std::int16_t Compress() const { return compress_; }
    std::int16_t Temporary() const { return temporary_; }
    std::int16_t Normal() const { return normal_; }
    std::int16_t Archive() const { return archive_; }
    std::int16_t Directory() const { return directory_; }
    std::int16_t System() const { return system_; }
    std::int16_t Hidden() const { return hidden_; }
    std::int16_t ReadOnly() const { return readOnly_; }
    const std::wstring& LastWriteTime() const { return lastWriteTime_; }
    const std::wstring& LastAccessTime() const { return lastAccessTime_; }
    const std::wstring& CreationTime() const { return creationTime_; }
    const std::wstring& ByteSize() const { return byteSize_; }
    const std::wstring& ProductVersion() const { return productVersion_; }
    const std::wstring& ProductName() const { return productName_; }
    const std::wstring& OriginalFileName() const { return originalFileName_; }
    const std::wstring& LegalCopyright() const { return legalCopyright_; }
    const std::wstring& InternalName() const { return internalName_; }
    const std::wstring& FileVersion() const { return fileVersion_; }
    const std::wstring& FileDescription() const { return fileDescription_; }
    const std::wstring& CompanyName() const { return companyName_; }
    const std::wstring& FileName() const { return fileName_; }

    // Gathers everything about the first file that matches `strFileName` (wildcards allowed).
    // 1 once gathered, also when nothing matched (a zero record); 0 for an empty name, with
    // nothing changed. A version value without its terminating zero throws RuntimeError (invalid
    // argument) with the properties before it already assigned. `bLargeIcon`: any non-zero value
    // asks for the large icon's index.
    std::int32_t FindFileInfo(const std::wstring& strFileName, std::int16_t bLargeIcon);
    // Fills only the three times, the size, the type name and the icon index; same results.
    std::int32_t FindFileInfoView(const std::wstring& strFileName, std::int16_t bLargeIcon);
    // The size in bytes of the first match, 0 when nothing is found or anything fails, and
    // 2147483647 for a file too large for the result. Changes no property.
    std::int32_t FindFileSize(const std::wstring& FileName);

  private:
    // The find record of the first match; zeros with the name "Error" when nothing matches.
    Win32FindData FindFileData(const std::wstring& name);
    void SetTimes(const Win32FindData& data);
    void SetFlags(std::uint32_t attributes);
    void ReadVersionStrings(const std::wstring& path);
    void QueryShell(const std::wstring& path, std::int16_t bLargeIcon);

    FileFindApi& files_;
    VersionInfoApi& versions_;
    ShellFileInfoApi& shell_;
    LocaleApi& locale_;

    std::int32_t iconIndex_ = 0;
    std::wstring fileType_;
    std::int16_t compress_ = kFalse;
    std::int16_t temporary_ = kFalse;
    std::int16_t normal_ = kFalse;
    std::int16_t archive_ = kFalse;
    std::int16_t directory_ = kFalse;
    std::int16_t system_ = kFalse;
    std::int16_t hidden_ = kFalse;
    std::int16_t readOnly_ = kFalse;
    std::wstring lastWriteTime_;
    std::wstring lastAccessTime_;
    std::wstring creationTime_;
    std::wstring byteSize_;
    std::wstring productVersion_;
    std::wstring productName_;
    std::wstring originalFileName_;
    std::wstring legalCopyright_;
    std::wstring internalName_;
    std::wstring fileVersion_;
    std::wstring fileDescription_;
    std::wstring companyName_;
    std::wstring fileName_;
};

}  // namespace torvexa
