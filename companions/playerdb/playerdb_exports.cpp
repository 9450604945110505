// The exported entry points over one open database per loaded library.
//
// Changes are kept in memory, with a journal of the changes not yet written,
// and written to the drive by ZELDB_DBSync, by ZELDB_Create with mode 1 on a
// drive without a database file (the empty database at once), when ZELDB_Create
// opens a database while changes are pending (they are written to the database
// they belong to first), and when the library is unloaded.
//
// A fresh start (ZELDB_Create with mode 1) over a drive that has a database file
// is written by ZELDB_DBSync only: until then the file keeps the database the
// player had, and a fresh start the host never wrote (a rebuild stopped in the
// middle) is dropped when the database is closed or the library let go.
//
// Several processes may keep one player's database at once. A write holds the
// database's lock, reads the file as it is now (another process may have
// written it since this one read it), applies this process's journal to that
// content and writes the result through a new file renamed over the old one;
// what others recorded in between is kept. A fresh start replaces whatever the
// file holds.
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ZELPlayerDB.h"
#include "playerdb_file.h"
#include "playerdb_store.h"
#include "zelcompat/debug.h"
#include "zelcompat/textfn.h"

namespace {

using zelplayerdb::Store;
using zelplayerdb::StoredRecord;

// One change not yet written: the key (PathKey) of a record put, whose
// content is the one the store holds when the change is written, or of a path
// forgotten.
struct Change {
    bool remove = false;
    std::u16string key;
};

class Database {
public:
    ~Database() { Flush(); }

    BOOL Open(WCHAR drive, HWND window, int mode) {
        std::lock_guard<std::mutex> lock(m_mutex);
        FlushLocked();
        m_store.Clear();
        m_journal.clear();
        m_freshStart = false;
        m_drive = 0;
        if (drive == 0) return FALSE;
        m_drive = drive;
        m_window = window;
        if (mode == 1) return StartEmptyLocked() ? TRUE : FALSE;
        const bool read = zelplayerdb::Load(m_drive, m_store) != zelplayerdb::LoadResult::Unreadable;
        m_baseEmpty = m_store.Count() == 0;
        return read ? TRUE : FALSE;
    }

    BOOL Add(const tagDB_File& record) {
        std::lock_guard<std::mutex> lock(m_mutex);
        StoredRecord stored = StoredRecord::FromRecord(record);
        std::u16string key = zelplayerdb::PathKey(stored.FullPath());
        if (m_drive == 0 || !m_store.PutKeyed(key, std::move(stored))) return FALSE;
        m_journal.push_back(Change{false, std::move(key)});
        return TRUE;
    }

    BOOL Remove(LPCWSTR path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_drive == 0 || path == nullptr) return FALSE;
        // Forgotten in the file as well, even when this process never saw the record.
        std::u16string key = zelplayerdb::PathKey(path);
        const bool removed = m_store.RemoveKeyed(key);
        m_journal.push_back(Change{true, std::move(key)});
        return removed ? TRUE : FALSE;
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
    // Writes what is pending when the database is closed. A fresh start that
    // was never written is dropped: the file keeps the database it had.
    bool FlushLocked() {
        if (m_drive == 0) return true;
        if (m_freshStart) {
            OutputDebugStringW(u"[PlayerDB] A new database was never written; the player keeps the one it had\n");
            return true;
        }
        return m_journal.empty() || WriteLocked();
    }

    // Applies the journal to the database as the drive holds it now (to an
    // empty one after a fresh start) and writes the result; on failure the
    // journal stays and the file keeps what it had.
    bool WriteLocked() {
        zelplayerdb::DatabaseLock held(m_drive);
        if (!held.Held()) return false;
        Store current;
        // A file that cannot be read is replaced, as when it is opened.
        if (!m_freshStart) zelplayerdb::Load(m_drive, current);
        // The store is the journal applied to the database it started from: when
        // that was empty and the file is empty still (or the journal starts
        // afresh), the store is what the file is to hold.
        const bool storeIsResult = m_freshStart || (m_baseEmpty && current.Count() == 0);
        if (!storeIsResult) {
            for (const Change& change : m_journal) {
                if (change.remove) {
                    current.RemoveKeyed(change.key);
                } else if (const StoredRecord* latest = m_store.FindKeyed(change.key)) {
                    // A later change of the journal forgets it when it is gone from the store.
                    current.PutKeyed(change.key, *latest);
                }
            }
        }
        if (!zelplayerdb::Save(m_drive, storeIsResult ? m_store : current, m_window)) return false;
        if (!storeIsResult) m_store = std::move(current);
        m_journal.clear();
        m_freshStart = false;
        m_baseEmpty = m_store.Count() == 0;
        return true;
    }

    // Mode 1: an empty database. A drive without a database file gets an empty
    // one at once; one with a file keeps it until the new database is written.
    bool StartEmptyLocked() {
        if (zelplayerdb::DatabaseExists(m_drive)) {
            m_freshStart = true;
            return true;
        }
        zelplayerdb::DatabaseLock held(m_drive);
        Store empty;
        m_baseEmpty = true;
        // The records that follow are a fresh start still: one that is never
        // written leaves the empty file, not part of them.
        m_freshStart = true;
        return held.Held() && zelplayerdb::Save(m_drive, empty, m_window);
    }

    std::mutex m_mutex;
    Store m_store;                 // the database as this process sees it
    std::vector<Change> m_journal; // changes not yet in the file, in order
    bool m_freshStart = false;     // the journal starts from an empty database, not the file
    bool m_baseEmpty = true;       // the database the journal started from was empty
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
