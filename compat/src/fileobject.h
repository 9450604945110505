// The kernel objects behind file and volume handles.
#pragma once

#include <string>

#include "handles.h"
#include "paths.h"

namespace zel {

class FileObject : public KernelObject {
public:
    ~FileObject() override;
    int fd = -1;
    std::u16string windowsPath;
    std::string hostPath;
    bool canRead = false;
    bool canWrite = false;
    ULONGLONG written = 0;  // bytes written through this handle, for injected write faults
};

class VolumeObject : public KernelObject {
public:
    WCHAR drive = 0;
    std::u16string windowsPath;  // \\.\X:
    std::string hostFolder;
};

// Writes through an injected write fault: the bytes allowed before the fault go
// out, then the fault's error. Returns false with the last error set.
bool WriteAll(int fd, const void* data, size_t size, const std::u16string& windowsPath, ULONGLONG& written,
              size_t* done);

// Creates a file of a name no one else uses in the folder of target and opens
// it for writing; the name begins with ".~zel" (hidden, and recognisable as a
// write in progress). Empty with the last error set on failure.
std::string CreateTemporaryBeside(const std::string& target, int& fd);

}  // namespace zel
