// A Win32 file handle that is closed on every way out of the code that opened it.
#pragma once

#include "zelcompat/files.h"
#include "zelcompat/types.h"

namespace zelcore {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    // Opens an existing file for reading, shared for reading.
    static FileHandle OpenForReading(LPCWSTR path) {
        return FileHandle(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    ~FileHandle() {
        if (IsOpen()) CloseHandle(m_handle);
    }
    FileHandle(FileHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = INVALID_HANDLE_VALUE; }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            if (IsOpen()) CloseHandle(m_handle);
            m_handle = other.m_handle;
            other.m_handle = INVALID_HANDLE_VALUE;
        }
        return *this;
    }

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace zelcore
