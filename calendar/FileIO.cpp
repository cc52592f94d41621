#include "calendar/FileIO.h"

#include <algorithm>
#include <cstring>

namespace {
// Day data never comes near this; a larger file is refused rather than allocated.
constexpr std::int64_t kMaxFileSize = std::int64_t{1} << 30;
constexpr DWORD kMaxChunk = 16u * 1024 * 1024;

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxChunk));
        DWORD done = 0;
        if (!WriteFile(file, bytes.data(), want, &done, nullptr) || done == 0)
            return false;
        bytes = bytes.subspan(done);
    }
    return true;
}

ReadResult OpenForReading(const std::wstring& path, FileHandle& file, std::int64_t& size)
{
    if (path.empty())
        return ReadResult::Failed;
    // Shared for reading only: a file someone is writing is not read half-done.
    FileHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(handle.Get(), &length) || length.QuadPart < 0 || length.QuadPart > kMaxFileSize)
        return ReadResult::Failed;
    size = length.QuadPart;
    file = std::move(handle);
    return ReadResult::Ok;
}
} // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

bool FileHandle::Close()
{
    if (!Valid())
        return true;
    const bool ok = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
}

ReadResult MappedFile::Open(const std::wstring& path)
{
    Close();
    std::int64_t size = 0;
    const ReadResult opened = OpenForReading(path, file_, size);
    if (opened != ReadResult::Ok || size == 0)
        return opened; // an empty file cannot be mapped and needs no view
    mapping_ = FileHandle(CreateFileMappingW(file_.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    view_ = mapping_.Valid() ? MapViewOfFile(mapping_.Get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (view_ == nullptr) {
        Close();
        return ReadResult::Failed;
    }
    bytes_ = {static_cast<const std::uint8_t*>(view_), static_cast<std::size_t>(size)};
    return ReadResult::Ok;
}

void MappedFile::Close()
{
    if (view_ != nullptr)
        UnmapViewOfFile(view_);
    view_ = nullptr;
    bytes_ = {};
    mapping_.Close();
    file_.Close();
}

FileReplacement::FileReplacement(std::wstring path, std::wstring tempPath, ReplaceHook hook)
    : path_(std::move(path)), tempPath_(std::move(tempPath)), hook_(std::move(hook))
{
}

FileReplacement::~FileReplacement()
{
    if (created_ && !committed_)
        DeleteFileW(tempPath_.c_str());
}

bool FileReplacement::Create(std::span<const std::span<const std::uint8_t>> pieces, bool flush)
{
    if (path_.empty() || tempPath_.empty() || created_)
        return false;
    const auto open = [&] {
        return FileHandle(
            CreateFileW(tempPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    FileHandle temp = open();
    if (!temp.Valid()) {
        // A leftover of a run that ended half-way may carry attributes that refuse CREATE_ALWAYS.
        DeleteFileW(tempPath_.c_str());
        temp = open();
    }
    if (!temp.Valid())
        return false;
    created_ = true;
    bool ok = true;
    for (const auto piece : pieces)
        ok = ok && WriteAll(temp.Get(), piece);
    // The old file is only replaced once the new one is completely on disk.
    const bool flushed = ok && flush && FlushFileBuffers(temp.Get()) != FALSE;
    prepared_ = temp.Close() && ok && Allowed(ReplaceStep::Prepare);
    ready_ = prepared_ && flushed && Allowed(ReplaceStep::Flush);
    return flush ? ready_ : prepared_;
}

bool FileReplacement::Flush()
{
    if (!prepared_ || ready_)
        return false;
    // Opened anew: the content may have been changed by name since Prepare.
    FileHandle temp(
        CreateFileW(tempPath_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool flushed = temp.Valid() && FlushFileBuffers(temp.Get()) != FALSE;
    ready_ = temp.Close() && flushed && Allowed(ReplaceStep::Flush);
    return ready_;
}

bool FileReplacement::Commit()
{
    if (!ready_ || committed_ || !Allowed(ReplaceStep::Replace))
        return false;
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        committed_ =
            MoveFileExW(tempPath_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        return committed_;
    }
    // The user's read-only mark protects the file from this program too.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return false;
    // ReplaceFileW keeps the attributes, creation time and security on Windows;
    // Wine's keeps none of them, so the attributes travel on the new file too.
    constexpr DWORD kCarried =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (!SetFileAttributesW(tempPath_.c_str(),
                            (attributes & kCarried) != 0 ? attributes & kCarried : FILE_ATTRIBUTE_NORMAL))
        return false;
    committed_ = ReplaceFileW(path_.c_str(), tempPath_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                              nullptr) != FALSE;
    // Without a backup name Windows may have removed the old file already and
    // left the new one under the temporary name: move it, and never delete it.
    if (!committed_ && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
        GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        created_ = false;
        committed_ = MoveFileExW(tempPath_.c_str(), path_.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    return committed_;
}
