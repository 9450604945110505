// The exported entry points over one open database per loaded library.
//
// Changes are kept in memory, with the list of changes not yet written, and
// written to the drive by ZELDB_DBSync, by ZELDB_Create with mode 1 (the empty
// database at once), when ZELDB_Create opens a database while changes are
// pending (they are written to the database they belong to first), and when
// the library is unloaded.
//
// Several processes may keep one player's database at once. A write holds the
// database's lock, reads the file as it is now (another process may have
// written it since this one read it), applies this process's pending changes
// to that content and writes the result through a new file renamed over the
// old one; what others recorded in between is kept.
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ZELPlayerDB.h"
#include "playerdb_file.h"
#include "playerdb_store.h"
#include "zelcompat/textfn.h"

namespace {

using zelplayerdb::Store;
using zelplayerdb::StoredRecord;

// One change not yet written: a record put, or a path forgotten.
struct Change {
    bool remove = false;
    StoredRecord record;  // what is put
    std::u16string path;  // what is forgotten
};

class Database {
public:
    ~Database() { Flush(); }

    BOOL Open(WCHAR drive, HWND window, int mode) {
        std::lock_guard<std::mutex> lock(m_mutex);
        FlushLocked();
        m_store.Clear();
        m_pending.clear();
        m_drive = 0;
        if (drive == 0) return FALSE;
        m_drive = drive;
        m_window = window;
        if (mode == 1) return StartEmptyLocked() ? TRUE : FALSE;
        return zelplayerdb::Load(m_drive, m_store) != zelplayerdb::LoadResult::Unreadable ? TRUE : FALSE;
    }

    BOOL Add(const tagDB_File& record) {
        std::lock_guard<std::mutex> lock(m_mutex);
        Change change;
        change.record = StoredRecord::FromRecord(record);
        if (m_drive == 0 || !m_store.Put(change.record)) return FALSE;
        m_pending.push_back(std::move(change));
        return TRUE;
    }

    BOOL Remove(LPCWSTR path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_drive == 0 || path == nullptr) return FALSE;
        // Forgotten in the file as well, even when this process never saw the record.
        Change change;
        change.remove = true;
        change.path = path;
        m_pending.push_back(std::move(change));
        return m_store.Remove(path) ? TRUE : FALSE;
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
        return WriteLocked() ? TRUE : FALSE;
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
    bool FlushLocked() { return m_pending.empty() || m_drive == 0 || WriteLocked(); }

    // Applies the pending changes to the database as the drive holds it now and
    // writes the result; on failure the changes stay pending.
    bool WriteLocked() {
        zelplayerdb::DatabaseLock held(m_drive);
        if (!held.Held()) return false;
        Store current;
        // A file that cannot be read is replaced, as when it is opened.
        zelplayerdb::Load(m_drive, current);
        for (const Change& change : m_pending) {
            if (change.remove)
                current.Remove(change.path);
            else
                current.Put(change.record);
        }
        if (!zelplayerdb::Save(m_drive, current, m_window)) return false;
        m_store = std::move(current);
        m_pending.clear();
        return true;
    }

    bool StartEmptyLocked() {
        zelplayerdb::DatabaseLock held(m_drive);
        Store empty;
        if (!held.Held() || !zelplayerdb::Save(m_drive, empty, m_window)) return false;
        m_store.Clear();
        m_pending.clear();
        return true;
    }

    std::mutex m_mutex;
    Store m_store;                 // the database as this process sees it
    std::vector<Change> m_pending; // changes not yet in the file, in order
    WCHAR m_drive = 0;             // 0: no database open
    HWND m_window = nullptr;
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
