// The exported entry points over one open database per loaded library.
//
// Changes are kept in memory and written to the drive by ZELDB_DBSync, by
// ZELDB_Create with mode 1 (the empty database at once), when ZELDB_Create
// opens a database while unsaved changes are pending (they are written to the
// database they belong to first), and when the library is unloaded.
#include <mutex>
#include <string>

#include "ZELPlayerDB.h"
#include "playerdb_file.h"
#include "playerdb_store.h"
#include "zelcompat/textfn.h"

namespace {

using zelplayerdb::Store;
using zelplayerdb::StoredRecord;

class Database {
public:
    ~Database() { Flush(); }

    BOOL Open(WCHAR drive, HWND window, int mode) {
        std::lock_guard<std::mutex> lock(m_mutex);
        FlushLocked();
        m_store.Clear();
        m_drive = 0;
        if (drive == 0) return FALSE;
        m_drive = drive;
        m_window = window;
        if (mode == 1) {
            m_dirty = true;
            return FlushLocked() ? TRUE : FALSE;
        }
        return zelplayerdb::Load(m_drive, m_store) != zelplayerdb::LoadResult::Unreadable ? TRUE : FALSE;
    }

    BOOL Add(const tagDB_File& record) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_drive == 0 || !m_store.Put(StoredRecord::FromRecord(record))) return FALSE;
        m_dirty = true;
        return TRUE;
    }

    BOOL Remove(LPCWSTR path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_drive == 0 || path == nullptr || !m_store.Remove(path)) return FALSE;
        m_dirty = true;
        return TRUE;
    }

    BOOL Get(LPCWSTR path, tagDB_File* record) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_drive == 0 || path == nullptr) return FALSE;
        const StoredRecord* found = m_store.Find(path);
        if (found == nullptr) return FALSE;
        if (record != nullptr) found->ToRecord(*record);
        return TRUE;
    }

    BOOL Sync() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_drive == 0) return FALSE;
        m_dirty = true;
        return FlushLocked() ? TRUE : FALSE;
    }

    int List(tagDB_File* records, int capacity) {
        std::lock_guard<std::mutex> lock(m_mutex);
        int index = 0;
        for (const StoredRecord& stored : m_store.Records()) {
            if (records != nullptr && index < capacity) stored.ToRecord(records[index]);
            ++index;
        }
        return index;
    }

    void Flush() {
        std::lock_guard<std::mutex> lock(m_mutex);
        FlushLocked();
    }

private:
    bool FlushLocked() {
        if (!m_dirty || m_drive == 0) return true;
        if (!zelplayerdb::Save(m_drive, m_store, m_window)) return false;
        m_dirty = false;
        return true;
    }

    std::mutex m_mutex;
    Store m_store;
    WCHAR m_drive = 0;  // 0: no database open
    HWND m_window = nullptr;
    bool m_dirty = false;
};

Database& TheDatabase() {
    static Database database;  // written out when the library is unloaded
    return database;
}

}  // namespace

extern "C" {

AFX_EXT_API BOOL ZELDB_Create(DWORD driveLetter, HWND window, int mode) {
    WCHAR drive = driveLetter <= 0xFFFF ? ZelToUpper(static_cast<WCHAR>(driveLetter)) : 0;
    if (drive < u'A' || drive > u'Z') drive = 0;
    return TheDatabase().Open(drive, window, mode);
}

AFX_EXT_API BOOL ZELDB_AddRecord(tagDB_File* record) {
    if (record == nullptr) return FALSE;
    return TheDatabase().Add(*record);
}

AFX_EXT_API BOOL ZELDB_DeleteRecord(LPCWSTR path) { return TheDatabase().Remove(path); }

AFX_EXT_API BOOL ZELDB_GetRecord(LPCWSTR path, tagDB_File* record) { return TheDatabase().Get(path, record); }

AFX_EXT_API BOOL ZELDB_DBSync(int) { return TheDatabase().Sync(); }

AFX_EXT_API int ZELDB_ListRecords(tagDB_File* records, int capacity) {
    return TheDatabase().List(records, capacity);
}

}  // extern "C"
