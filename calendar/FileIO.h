// Read-only views of whole files and crash-safe replacement of a file, over Win32 handles.
#pragma once
#include "app/Win.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
    FileHandle& operator=(FileHandle&& other) noexcept;

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }
    // False when closing reports an error (a write may not have reached the disk).
    bool Close();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
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
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    void Close();

private:
    FileHandle file_;
    FileHandle mapping_;
    const void* view_ = nullptr;
    std::span<const std::uint8_t> bytes_;
};

// The steps of a replacement. A test seam can make any of them fail as the
// system would: Prepare and Flush after their work, Replace before it.
enum class ReplaceStep { Prepare, Flush, Replace };
using ReplaceHook = std::function<bool(ReplaceStep)>;

// A new version of a file, written beside it and moved over it in one step,
// so the old version stays intact until the new one is complete on disk.
class FileReplacement {
public:
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
    // Moves the flushed temporary file over the target, which keeps its
    // attributes; a read-only target is refused and stays as it is.
    bool Commit();
    const std::wstring& TempPath() const { return tempPath_; }

private:
    bool Allowed(ReplaceStep step) const { return !hook_ || hook_(step); }
    bool Create(std::span<const std::span<const std::uint8_t>> pieces, bool flush);

    std::wstring path_;
    std::wstring tempPath_;
    ReplaceHook hook_;
    bool created_ = false;  // the temporary file exists and is ours to remove
    bool prepared_ = false; // completely written
    bool ready_ = false;    // and flushed
    bool committed_ = false;
};
