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

FileReplacement::FileReplacement(std::wstring path, std::wstring tempPath)
    : path_(std::move(path)), tempPath_(std::move(tempPath))
{
}

FileReplacement::~FileReplacement()
{
    if (created_ && !committed_)
        DeleteFileW(tempPath_.c_str());
}

bool FileReplacement::Write(std::span<const std::span<const std::uint8_t>> pieces)
{
    if (path_.empty() || tempPath_.empty() || created_)
        return false;
    FileHandle temp(
        CreateFileW(tempPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!temp.Valid())
        return false;
    created_ = true;
    bool ok = true;
    for (const auto piece : pieces)
        ok = ok && WriteAll(temp.Get(), piece);
    // The old file is only replaced once the new one is completely on disk.
    ok = ok && FlushFileBuffers(temp.Get()) != FALSE;
    ready_ = temp.Close() && ok;
    return ready_;
}

bool FileReplacement::Commit()
{
    if (!ready_ || committed_)
        return false;
    committed_ =
        MoveFileExW(tempPath_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    return committed_;
}
