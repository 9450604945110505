#include "handles.h"

#include <mutex>
#include <unordered_map>

#include "zelcompat/debug.h"
#include "zelcompat/files.h"

namespace zel {
namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 0x100;  // multiples of 4, as Windows hands them out
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // outlives static destructors
    return *table;
}

}  // namespace

DWORD KernelObject::Wait(DWORD) { return WAIT_FAILED; }

HANDLE NewHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

bool CloseHandleEntry(HANDLE handle) {
    std::shared_ptr<KernelObject> object;  // destroyed outside the lock
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (found == table.objects.end()) return false;
    object = std::move(found->second);
    table.objects.erase(found);
    return true;
}

}  // namespace zel

BOOL CloseHandle(HANDLE handle) {
    if (!zel::CloseHandleEntry(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
