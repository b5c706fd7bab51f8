// Each folder is read with ReadDirectoryChangesW, overlapped, so that a poll
// between frames never blocks: one read per folder is always outstanding, and
// each poll takes what it has gathered and starts the next.
#include "platform/FileWatcher.h"
#include "platform/win/SettlingFiles.h"

#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <memory>

namespace {

// What an editor's save does: writes the file, makes it anew, or renames a
// temporary over it.
constexpr DWORD kChangeFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
// Windows reports every write as it happens; a file counts as saved once no
// write has come for this long and no one holds it open for writing.
constexpr long long kQuietMs = 150;

std::wstring wide(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

std::string utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? utf8(text, static_cast<int>(length)) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

// Whether someone still holds path open for writing: then it is not a file to
// load yet. Windows refuses to share reading with a writer that did not offer it.
bool busy(const std::string& path) {
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // One that is gone is not busy (and is left out by the caller).
        return GetLastError() == ERROR_SHARING_VIOLATION;
    }
    CloseHandle(file);
    return false;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One folder's outstanding read: its own handle, event and buffer.
struct WatchedFolder {
    std::string path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    // DWORD-aligned, as the records in it are.
    alignas(DWORD) unsigned char buffer[16 * 1024];
    bool reading = false;

    WatchedFolder() = default;
    WatchedFolder(const WatchedFolder&) = delete;
    WatchedFolder& operator=(const WatchedFolder&) = delete;

    ~WatchedFolder() {
        if (reading) {
            // The system writes into buffer until the read is cancelled and done.
            CancelIoEx(handle, &overlapped);
            DWORD bytes = 0;
            GetOverlappedResult(handle, &overlapped, &bytes, TRUE);
        }
        if (overlapped.hEvent != nullptr) {
            CloseHandle(overlapped.hEvent);
        }
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }

    // Opens the folder and starts its first read; on failure the system's words.
    bool open(const std::string& folderPath, std::string& why) {
        path = folderPath;
        handle = CreateFileW(wide(path).c_str(), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        overlapped.hEvent = handle != INVALID_HANDLE_VALUE ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
        if (overlapped.hEvent == nullptr || !startRead()) {
            why = "cannot watch " + path + ": " + systemMessage(GetLastError());
            return false;
        }
        return true;
    }

    // Each folder is watched on its own, not as a subtree: Wine reports no
    // change below the top folder of a subtree watch.
    bool startRead() {
        reading = ReadDirectoryChangesW(handle, buffer, sizeof buffer, FALSE, kChangeFilter, nullptr, &overlapped,
                                        nullptr) != 0;
        return reading;
    }

    // Notes in settling the files named by the reads completed since the last call.
    void takeRecords(SettlingFiles& settling) {
        DWORD bytes = 0;
        while (reading && GetOverlappedResult(handle, &overlapped, &bytes, FALSE)) {
            // No bytes: more changed than the buffer held, and the names are lost;
            // later changes are still seen.
            noteRecords(bytes, settling);
            startRead();
        }
    }

    void noteRecords(DWORD bytes, SettlingFiles& settling) const {
        const long long nowMs = static_cast<long long>(GetTickCount64());
        for (DWORD at = 0; at + offsetof(FILE_NOTIFY_INFORMATION, FileName) <= bytes;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + at);
            if (record->Action == FILE_ACTION_ADDED || record->Action == FILE_ACTION_MODIFIED ||
                record->Action == FILE_ACTION_RENAMED_NEW_NAME) {
                const std::string name =
                    utf8(record->FileName, static_cast<int>(record->FileNameLength / sizeof(wchar_t)));
                const std::string changed = path + "/" + name;
                if (!isFolder(changed)) {
                    settling.noteChange(changed, nowMs);
                }
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            at += record->NextEntryOffset;
        }
    }
};

}  // namespace

struct FileWatcher::Native {
    std::vector<std::unique_ptr<WatchedFolder>> folders;
    SettlingFiles settling{kQuietMs};
};

bool FileWatcher::available() {
    return true;
}

// Watches root and the folders in it, one level down, as the Linux watcher does.
FileWatcher::FileWatcher(const std::string& root) {
    std::vector<std::string> paths{root};
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(wide(root + "/*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && entry.cFileName[0] != L'.') {
                paths.push_back(root + "/" + utf8(entry.cFileName, static_cast<int>(wcslen(entry.cFileName))));
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    auto watching = std::make_unique<Native>();
    for (const std::string& path : paths) {
        auto folder = std::make_unique<WatchedFolder>();
        if (!folder->open(path, failure)) {
            return;
        }
        watching->folders.push_back(std::move(folder));
    }
    native = std::move(watching);
}

FileWatcher::~FileWatcher() = default;

int FileWatcher::takeChanges(std::vector<std::string>& changed) {
    if (!native) {
        return 0;
    }
    for (const auto& folder : native->folders) {
        folder->takeRecords(native->settling);
    }
    std::vector<std::string> settled;
    native->settling.takeSettled(static_cast<long long>(GetTickCount64()), busy, settled);
    int added = 0;
    for (std::string& path : settled) {
        // An editor's temporary file, renamed over the real one since, is no change.
        if (GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
            changed.push_back(std::move(path));
            ++added;
        }
    }
    return added;
}
