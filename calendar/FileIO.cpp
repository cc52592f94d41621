#include "calendar/FileIO.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <cwctype>

namespace {
// Day data never comes near this; a larger file is refused rather than allocated.
constexpr std::int64_t kMaxFileSize = std::int64_t{1} << 30;
constexpr DWORD kMaxChunk = 16u * 1024 * 1024;
// What a test seam's refusal of a step reports.
constexpr DWORD kSeamError = ERROR_WRITE_FAULT;
constexpr DWORD kRenamePauseMs = 20;
constexpr int kOpenTries = 8;
constexpr DWORD kOpenPauseMs = 10;

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxChunk));
        DWORD done = 0;
        if (!WriteFile(file, bytes.data(), want, &done, nullptr))
            return false;
        if (done == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes = bytes.subspan(done);
    }
    return true;
}

ReadResult OpenForReading(const std::wstring& path, UniqueFile& file, std::int64_t& size, DWORD& error)
{
    error = ERROR_INVALID_NAME;
    if (path.empty())
        return ReadResult::Failed;
    // Shared for reading only: a file someone is writing is not read half-done.
    // A writer's rename holds the file for a moment (Wine opens the target).
    UniqueFile handle;
    for (int attempt = 1; !handle; ++attempt) {
        handle = UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        error = GetLastError();
        if (handle || error != ERROR_SHARING_VIOLATION || attempt == kOpenTries)
            break;
        Sleep(kOpenPauseMs);
    }
    if (!handle) {
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(handle.get(), &length)) {
        error = GetLastError();
        return ReadResult::Failed;
    }
    if (length.QuadPart < 0 || length.QuadPart > kMaxFileSize) {
        error = ERROR_FILE_TOO_LARGE;
        return ReadResult::Failed;
    }
    error = ERROR_SUCCESS;
    size = length.QuadPart;
    file = std::move(handle);
    return ReadResult::Ok;
}

// Some number that differs between processes and calls, for names that must not exist yet.
std::wstring UniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    const auto mixed = static_cast<unsigned long long>(GetCurrentProcessId()) << 32 ^ GetTickCount64() * 2654435761u ^
                       counter.fetch_add(1);
    wchar_t text[24];
    std::swprintf(text, 24, L"%llx", mixed & 0xFFFFFFFFFFFull);
    return text;
}

// Open by another program: the reason a rename over the file was denied.
bool InUse(const std::wstring& path)
{
    const UniqueFile probe(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The full path with every existing part in its long form, so that two names
// of one file compare equal.
std::wstring LongPath(const std::wstring& full)
{
    std::wstring out(full.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetLongPathNameW(full.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0)
            break;
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n + 1);
    }
    // A name that does not exist yet: its folder's long form and the name.
    const std::size_t slash = full.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash + 1 >= full.size() || slash < 3)
        return full;
    return LongPath(full.substr(0, slash)) + L'\\' + full.substr(slash + 1);
}

struct FileIdentity {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileIdentity&) const = default;
};

// False when the file does not exist or cannot be opened; `disk` false for a device.
bool IdentityOf(const std::wstring& path, FileIdentity& id, bool& disk)
{
    const UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file)
        return false;
    disk = GetFileType(file.get()) == FILE_TYPE_DISK;
    if (!disk || !GetFileInformationByHandle(file.get(), &info))
        return true;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

// "rf" and up to four hexadecimal digits, ".tmp": the name the system's two-rename
// ReplaceFileW gives the old version while it moves the new one in.
bool IsReplaceLeftover(const std::wstring& name)
{
    if (name.size() < 7 || name.size() > 10 || !SameText(name.substr(0, 2), L"rf") ||
        !SameText(name.substr(name.size() - 4), L".tmp"))
        return false;
    return std::all_of(name.begin() + 2, name.end() - 4, [](wchar_t c) { return std::iswxdigit(c) != 0; });
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::vector<std::wstring> ReplaceLeftovers(const std::wstring& path)
{
    std::vector<std::wstring> found;
    const std::wstring folder = FolderOf(path);
    WIN32_FIND_DATAW data{};
    const HANDLE search =
        FindFirstFileExW((folder + L"rf*.tmp").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsReplaceLeftover(data.cFileName))
            found.push_back(folder + data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}
} // namespace

bool CloseFile(UniqueFile& file) { return !file || CloseHandle(file.release()) != FALSE; }

ReadResult MappedFile::Open(const std::wstring& path)
{
    Close();
    std::int64_t size = 0;
    const ReadResult opened = OpenForReading(path, file_, size, error_);
    if (opened != ReadResult::Ok || size == 0)
        return opened; // an empty file cannot be mapped and needs no view
    mapping_.reset(CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping_)
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view_) {
        const DWORD error = GetLastError();
        Close();
        error_ = error;
        return ReadResult::Failed;
    }
    bytes_ = {static_cast<const std::uint8_t*>(view_.get()), static_cast<std::size_t>(size)};
    return ReadResult::Ok;
}

void MappedFile::Close()
{
    view_.reset();
    bytes_ = {};
    mapping_.reset();
    file_.reset();
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

bool FileReplacement::Fail(DWORD code)
{
    if (error_ == ERROR_SUCCESS)
        error_ = code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
    return false;
}

bool FileReplacement::Allowed(ReplaceStep step) { return !hook_ || hook_(step) || Fail(kSeamError); }

bool FileReplacement::Create(std::span<const std::span<const std::uint8_t>> pieces, bool flush)
{
    if (path_.empty() || created_)
        return Fail(ERROR_INVALID_FUNCTION);
    UniqueFile temp;
    if (tempPath_.empty()) {
        // A name of its own, created only if nothing has it: an export never clobbers a file.
        for (int attempt = 0; attempt < 100 && !temp; ++attempt) {
            const std::wstring name = path_ + L'.' + UniqueSuffix() + L".tmp";
            temp = UniqueFile(
                CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (temp)
                tempPath_ = name;
            else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
                break;
        }
    } else {
        const auto open = [&] {
            return UniqueFile(CreateFileW(tempPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        };
        temp = open();
        if (!temp) {
            // A leftover of a run that ended half-way may carry attributes that refuse CREATE_ALWAYS.
            DeleteFileW(tempPath_.c_str());
            temp = open();
        }
    }
    if (!temp)
        return Fail(GetLastError());
    created_ = true;
    bool ok = true;
    for (const auto piece : pieces)
        ok = ok && WriteAll(temp.get(), piece);
    // The old file is only replaced once the new one is completely on disk.
    ok = ok && (!flush || FlushFileBuffers(temp.get()));
    if (!ok)
        Fail(GetLastError());
    if (!CloseFile(temp))
        return Fail(GetLastError());
    prepared_ = ok && Allowed(ReplaceStep::Prepare);
    ready_ = prepared_ && flush && Allowed(ReplaceStep::Flush);
    return flush ? ready_ : prepared_;
}

bool FileReplacement::Flush()
{
    if (!prepared_ || ready_)
        return Fail(ERROR_INVALID_FUNCTION);
    // Opened anew: the content may have been changed by name since Prepare.
    UniqueFile temp(
        CreateFileW(tempPath_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!temp || !FlushFileBuffers(temp.get()) || !CloseFile(temp))
        return Fail(GetLastError());
    ready_ = Allowed(ReplaceStep::Flush);
    return ready_;
}

bool FileReplacement::Commit(DWORD readerWaitMs)
{
    if (!ready_ || committed_)
        return Fail(ERROR_INVALID_FUNCTION);
    if (!Allowed(ReplaceStep::Replace))
        return false;
    DWORD carried = FILE_ATTRIBUTE_NORMAL;
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return Fail(GetLastError());
    } else {
        // The user's read-only mark protects the file from this program too
        // (Wine's rename would replace it).
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return Fail(ERROR_FILE_READ_ONLY);
        constexpr DWORD kCarried =
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (attributes & kCarried)
            carried = attributes & kCarried;
    }
    if (!SetFileAttributesW(tempPath_.c_str(), carried))
        return Fail(GetLastError());
    committed_ = Rename(readerWaitMs);
    return committed_;
}

bool FileReplacement::Rename(DWORD readerWaitMs)
{
    // One rename: the file is the old version or the new one at every instant,
    // whenever the process or the machine stops.
    for (DWORD waited = 0;; waited += kRenamePauseMs) {
        if (MoveFileExW(tempPath_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || waited >= readerWaitMs)
            return Fail(error == ERROR_ACCESS_DENIED && InUse(path_) ? ERROR_SHARING_VIOLATION : error);
        Sleep(kRenamePauseMs);
    }
}

std::wstring FullPath(const std::wstring& path)
{
    std::wstring out(std::max<std::size_t>(path.size() + MAX_PATH, 1), L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
        if (n == 0)
            return path;
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n + 1);
    }
}

std::wstring FileLock::Name(const wchar_t* scope, const std::wstring& path)
{
    std::wstring key = FullPath(path);
    if (!key.empty())
        CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    // FNV-1a over the UTF-16 units: names of one file in any case meet in one mutex.
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : key)
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return std::wstring(L"Local\\Mosaryn.") + scope + L'.' + digits;
}

FileLock::FileLock(const wchar_t* scope, const std::wstring& path, DWORD timeoutMs)
    : mutex_(CreateMutexW(nullptr, FALSE, Name(scope, path).c_str()))
{
    if (!mutex_) {
        error_ = GetLastError();
        return;
    }
    const DWORD wait = WaitForSingleObject(mutex_.get(), timeoutMs);
    // Abandoned: its holder died, and what it wrote is recovered by the kept file.
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!held_)
        error_ = wait == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
}

FileLock::~FileLock()
{
    if (held_)
        ReleaseMutex(mutex_.get());
}

KeptFile::State KeptFile::Check(const std::wstring& path) const
{
    MappedFile file;
    switch (file.Open(path)) {
    case ReadResult::Missing: return State::Missing;
    case ReadResult::Failed: return State::Unreadable;
    case ReadResult::Ok: break;
    }
    return whole_ == nullptr || whole_(file.Bytes()) ? State::Whole : State::Damaged;
}

void KeptFile::Recover() const
{
    const std::wstring fresh = NewPath();
    const bool hasNew = GetFileAttributesW(fresh.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::vector<std::wstring> older = ReplaceLeftovers(path_);
    if (!hasNew && older.empty())
        return;
    State state = Check(path_);
    // The last replacement stopped between its steps, after the new version was complete.
    if (hasNew && (state == State::Missing || state == State::Damaged) && Check(fresh) == State::Whole &&
        MoveFileExW(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        state = Check(path_);
    if (state != State::Whole)
        return;
    // Beside a whole file these hold nothing that is not safe: an unfinished
    // newer version that was never committed, or older versions.
    if (GetFileAttributesW(fresh.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteFileW(fresh.c_str());
    for (const std::wstring& old : older)
        if (Check(old) == State::Whole)
            DeleteFileW(old.c_str());
}

ReadResult KeptFile::Open(MappedFile& file) const
{
    Recover();
    const ReadResult read = file.Open(path_);
    if (read != ReadResult::Missing)
        return read;
    // A new version that could not be checked must not be built over from nothing.
    MappedFile fresh;
    if (fresh.Open(NewPath()) == ReadResult::Failed) {
        file.Close();
        return file.Open(NewPath());
    }
    return read;
}

FileError CheckWritableFolder(const std::wstring& directory)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        const UniqueFile probe(CreateFileW((directory + L"mosaryn-" + UniqueSuffix() + L".tmp").c_str(), GENERIC_WRITE,
                                           0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                           nullptr));
        if (probe)
            return {};
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return {directory, GetLastError()};
}

TargetCheck CheckExportTarget(const std::wstring& target, std::span<const std::wstring> keptFiles,
                              std::span<const std::wstring> keptFolders)
{
    const std::wstring full = LongPath(FullPath(target));
    // "\\.\" names devices and pipes; a name ending in a separator is a folder.
    if (full.starts_with(L"\\\\.\\") || full.ends_with(L'\\') || full.ends_with(L'/'))
        return TargetCheck::NotAFile;
    FileIdentity id;
    bool disk = true;
    const DWORD attributes = GetFileAttributesW(full.c_str());
    const bool exists = IdentityOf(full, id, disk);
    if ((attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) ||
        (exists && !disk))
        return TargetCheck::NotAFile;
    for (const std::wstring& kept : keptFiles) {
        FileIdentity keptId;
        bool keptDisk = true;
        if (SameText(full, LongPath(FullPath(kept))) ||
            (exists && id != FileIdentity{} && IdentityOf(kept, keptId, keptDisk) && keptId == id))
            return TargetCheck::KeptFile;
    }
    for (const std::wstring& folder : keptFolders) {
        std::wstring prefix = LongPath(FullPath(folder));
        if (!prefix.ends_with(L'\\'))
            prefix += L'\\';
        if (full.size() >= prefix.size() && SameText(full.substr(0, prefix.size()), prefix))
            return TargetCheck::KeptFile;
        if (SameText(full + L'\\', prefix))
            return TargetCheck::NotAFile;
    }
    return TargetCheck::Ok;
}
