#include "app/file_policy.h"

#include <optional>

#include "app/paths.h"
#include "app/poll.h"
#include "app/worm.h"

namespace torvexa {
namespace {

// The marks a worm sets on its files to keep them: read-only stops a deletion, hidden and system
// keep the file out of sight.
constexpr std::uint32_t kKeepingMarks =
    kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem;

// The answers Windows gives only for a file it cannot delete now but will at a restart: held open
// without delete sharing, locked, or mapped into a process. Access denied is not among them: it
// is also what a lack of rights answers, which the restart meets in the same way.
bool InUse(std::uint32_t error) {
    return error == kErrorSharingViolation || error == kErrorLockViolation ||
           error == kErrorUserMappedFile;
}

}  // namespace

bool FilePolicy::RemoveFile(const std::wstring& path) {
    // The file is the worm's whatever its marks say; nothing but the worm's files is touched.
    const std::uint32_t attributes = files_.GetFileAttributesW(path);
    const bool readable = attributes != kInvalidFileAttributes;
    const bool directory = readable && (attributes & kFileAttributeDirectory) != 0;
    bool marksCleared = true;
    if (readable && !directory && (attributes & kKeepingMarks) != 0) {
        const std::uint32_t cleared = attributes & ~kKeepingMarks;
        marksCleared =
            files_.SetFileAttributesW(path, cleared == 0 ? kFileAttributeNormal : cleared);
    }
    if (files_.DeleteFile(path)) {
        // Windows accepts the delete of a file that another program holds open with delete
        // sharing, and the name stays until that program lets go: a file in use like any other.
        if (files_.FileExists(path) == Presence::Absent) return false;
    } else {
        const std::uint32_t error = files_.GetLastError();
        if (directory) return false;
        // A running program's file and a loaded DLL answer access denied, and so does a file
        // this program has no right to delete, or one whose read-only mark stays: the restart
        // would refuse those too. Access denied counts as in use only with the marks cleared and
        // the file granted to an open for deletion (which a lack of rights refuses, and a mapped
        // file allows); for a program file only when one of the worm's programs runs from it,
        // which is judged once the press has done its work; for the DLL always, since which
        // program loads it cannot be seen.
        const bool mapped = error == kErrorAccessDenied && marksCleared && MayDelete(path);
        if (mapped && IsWormProgram(path)) return true;
        if (!InUse(error) && !mapped) return false;  // missing, or not for the restart to take
    }
    DeleteAtRestart(path);
    return false;
}

void FilePolicy::SettleRefusedProgramFile(const std::wstring& path) {
    timing::PollUntil(clock_, timing::kImageWaitLimitMilliseconds, timing::kPollMilliseconds, [&] {
        if (RunsAWormProgram(path)) {
            DeleteAtRestart(path);
            return true;
        }
        if (files_.DeleteFile(path)) {
            if (files_.FileExists(path) != Presence::Absent) DeleteAtRestart(path);
            return true;
        }
        return false;
    });
}

bool FilePolicy::RunsAWormProgram(const std::wstring& path) {
    const std::wstring real = RealPath(files_, path);
    for (const wchar_t* name : worm::kProcesses) {
        for (const ProcessId id : process_.FindByName(name).ids) {
            const std::optional<std::wstring> image = process_.ImagePath(id);
            if (image && SamePath(*image, real)) return true;
        }
    }
    return false;
}

bool FilePolicy::MayDelete(const std::wstring& path) {
    if (files_.CanOpenFor(path, kDeleteAccess)) return true;
    return InUse(files_.GetLastError());  // held without delete sharing: no refusal of rights
}

void FilePolicy::DeleteAtRestart(const std::wstring& path) {
    const std::wstring real = RealPath(files_, path);
    const auto pending = restartDeletes_.Read();
    // An unreadable list could already hold the file, and a written record could not be
    // confirmed: the file is then reported as left, not recorded blindly.
    if (!pending || restartDeletes_.Deletes(*pending, real)) return;
    restartDeletes_.Add(real);
}

}  // namespace torvexa
