// Kernel-object handles: one table per process. Files, volumes, searches and
// threads are objects behind an opaque HANDLE; CloseHandle drops the table's
// reference and WaitForSingleObject asks the object.
#pragma once

#include <memory>

#include "zelcompat/types.h"

namespace zel {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Waits until the object is signalled: WAIT_OBJECT_0, WAIT_TIMEOUT, or
    // WAIT_FAILED for objects that cannot be waited on.
    virtual DWORD Wait(DWORD milliseconds);
};

HANDLE NewHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
// Removes the handle from the table; false when it was not there.
bool CloseHandleEntry(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

}  // namespace zel
