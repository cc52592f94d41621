// Read-only views of whole files, crash-safe replacement of a file, and the
// files the program keeps beside itself, over Win32 handles.
#pragma once
#include "app/Handle.h"
#include "app/Win.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Closes a file that was written to; false when closing reports an error (a write may not
// have reached the disk).
bool CloseFile(UniqueFile& file);

// A file operation that failed: which file, and the system's error code of the step that failed.
struct FileError {
    std::wstring path;
    DWORD code = ERROR_SUCCESS;
    bool Failed() const { return code != ERROR_SUCCESS; }
};

enum class ReadResult { Ok, Missing, Failed };

// A read-only view of a whole file, without copying it. The file stays open
// (shared for reading only) until Close.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { Close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Missing when the file does not exist, Failed when it exists but cannot be read.
    ReadResult Open(const std::wstring& path);
    // The system's error code of the last Open that did not succeed.
    DWORD Error() const { return error_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    void Close();

private:
    UniqueFile file_;
    UniqueHandle mapping_;
    OwnedHandle<const void*, UnmapViewOfFile, 0> view_;
    std::span<const std::uint8_t> bytes_;
    DWORD error_ = ERROR_SUCCESS;
};

// The steps of a replacement. A test seam can make any of them fail as the
// system would: Prepare and Flush after their work, Replace before it.
enum class ReplaceStep { Prepare, Flush, Replace };
using ReplaceHook = std::function<bool(ReplaceStep)>;

// A new version of a file, written beside it and moved over it by one rename,
// so the file is always either the old version or the new one, whole.
class FileReplacement {
public:
    // An empty `tempPath` takes a new unique name beside the file, created so
    // that it never overwrites anything that exists.
    FileReplacement(std::wstring path, std::wstring tempPath, ReplaceHook hook = {});
    ~FileReplacement(); // removes the temporary file unless committed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file with the pieces one after the other. Others
    // may then change it by its name before it is flushed.
    bool Prepare(std::span<const std::span<const std::uint8_t>> pieces) { return Create(pieces, false); }
    // Makes the temporary file's content durable.
    bool Flush();
    // Prepare and Flush in one.
    bool Write(std::span<const std::span<const std::uint8_t>> pieces) { return Create(pieces, true); }
    // Gives the flushed temporary file the target's attributes and renames it
    // over the target in one step. A read-only target is refused and stays.
    // While a reader holds the target, the rename is tried again for up to
    // `readerWaitMs`.
    bool Commit(DWORD readerWaitMs = kReaderWaitMs);
    // Long enough for another program (a virus scanner, an indexer, a backup) to let go.
    static constexpr DWORD kReaderWaitMs = 100;
    const std::wstring& TempPath() const { return tempPath_; }
    // The system's error code of the step that failed, ERROR_SUCCESS while none did.
    DWORD Error() const { return error_; }

private:
    bool Allowed(ReplaceStep step);
    bool Create(std::span<const std::span<const std::uint8_t>> pieces, bool flush);
    bool Fail(DWORD code);
    bool Rename(DWORD readerWaitMs);

    std::wstring path_;
    std::wstring tempPath_;
    ReplaceHook hook_;
    DWORD error_ = ERROR_SUCCESS;
    bool created_ = false;  // the temporary file exists and is ours to remove
    bool prepared_ = false; // completely written
    bool ready_ = false;    // and flushed
    bool committed_ = false;
};

// The absolute form of a path; the path itself when the system cannot make one.
std::wstring FullPath(const std::wstring& path);

// Serialises the writers of one file across threads and processes: a named
// mutex per full path, held for the object's life. A holder that died leaves
// it free for the next.
class FileLock {
public:
    FileLock(const wchar_t* scope, const std::wstring& path, DWORD timeoutMs = 15000);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }
    // Why the lock could not be taken.
    DWORD Error() const { return error_; }
    // The mutex's name: "Local\Mosaryn.<scope>.<16 hex digits of the path's hash>".
    static std::wstring Name(const wchar_t* scope, const std::wstring& path);

private:
    UniqueHandle mutex_;
    bool held_ = false;
    DWORD error_ = ERROR_SUCCESS;
};

// Whether bytes are a whole version of a file (every length inside them fits).
using ContentCheck = bool (*)(std::span<const std::uint8_t> bytes);

// One of the files the program keeps (qv.ini, qv.dat, the online calendars'
// copies): replaced only through "<name>.new" and one rename, and recovered
// from what an interrupted replacement left.
class KeptFile {
public:
    KeptFile(std::wstring path, ContentCheck whole) : path_(std::move(path)), whole_(whole) {}
    const std::wstring& Path() const { return path_; }
    std::wstring NewPath() const { return path_ + L".new"; }

    // At start and before every save (inside the file's lock where there are
    // several writers): a missing or damaged file with a whole "<name>.new"
    // beside it becomes that version; beside a whole file a leftover
    // "<name>.new" is removed, and so are older versions of it that an
    // interrupted two-rename replacement left as "rf*.tmp". A file that exists
    // but cannot be read is left as it is, and so is everything beside it.
    void Recover() const;
    // Recovers, then maps the file; Failed with the system's code in `file.Error()`.
    ReadResult Open(MappedFile& file) const;
    // A replacement of the file through "<name>.new".
    FileReplacement Replacement(ReplaceHook hook = {}) const { return {path_, NewPath(), std::move(hook)}; }

private:
    enum class State { Whole, Damaged, Missing, Unreadable };
    State Check(const std::wstring& path) const;

    std::wstring path_;
    ContentCheck whole_;
};

// Tries to create and remove a file in `directory` (with its trailing
// backslash); the error when the program cannot write there.
FileError CheckWritableFolder(const std::wstring& directory);

// Where an export may write. Refused: a name that exists and is no regular file
// (a folder, a device), and the files the program keeps: any of `keptFiles`
// (the same file under any name, or the same full name) or anything inside
// `keptFolders`.
enum class TargetCheck { Ok, NotAFile, KeptFile };
TargetCheck CheckExportTarget(const std::wstring& target, std::span<const std::wstring> keptFiles,
                              std::span<const std::wstring> keptFolders);
