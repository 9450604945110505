// The bridge to the database library that the player carries: loading it from
// the path the host gives, and recording or forgetting files through it.
#include "ZELDevice/device/CZEL_Device.h"
#include "internal/CoreText.h"
#include "zelcompat/debug.h"
#include "zelcompat/textfn.h"

namespace {

template <class Proc>
Proc EntryPoint(HMODULE module, LPCSTR name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void CZEL_Device::DB_ReleaseDBLibrary() {
    if (m_hDBLibrary != nullptr) FreeLibrary(m_hDBLibrary);
    m_hDBLibrary = nullptr;
    m_pfnZELDB_Create = nullptr;
    m_pfnZELDB_AddRecord = nullptr;
    m_pfnZELDB_DeleteRecord = nullptr;
    m_pfnZELDB_GetRecord = nullptr;
    m_pfnZELDB_DBSync = nullptr;
}

BOOL CZEL_Device::DB_LoadDBLibrary() {
    // A library loaded before (say, before a format) is let go first, so that
    // its state is written out and read afresh.
    DB_ReleaseDBLibrary();

    CString path = zelcore::FixedText(m_Settings.DBLibraryPath);
    if (path.IsEmpty()) return 0;
    m_hDBLibrary = LoadLibraryW(path);
    if (m_hDBLibrary == nullptr) return 0;
    m_pfnZELDB_Create = EntryPoint<ZELDB_CREATE_PROC>(m_hDBLibrary, ZELDB_CREATE_NAME);
    m_pfnZELDB_AddRecord = EntryPoint<ZELDB_ADDRECORD_PROC>(m_hDBLibrary, ZELDB_ADDRECORD_NAME);
    m_pfnZELDB_DeleteRecord = EntryPoint<ZELDB_DELETERECORD_PROC>(m_hDBLibrary, ZELDB_DELETERECORD_NAME);
    m_pfnZELDB_GetRecord = EntryPoint<ZELDB_GETRECORD_PROC>(m_hDBLibrary, ZELDB_GETRECORD_NAME);
    m_pfnZELDB_DBSync = EntryPoint<ZELDB_DBSYNC_PROC>(m_hDBLibrary, ZELDB_DBSYNC_NAME);
    return m_pfnZELDB_Create && m_pfnZELDB_AddRecord && m_pfnZELDB_DeleteRecord && m_pfnZELDB_GetRecord &&
                   m_pfnZELDB_DBSync
               ? 1
               : 0;
}

BOOL CZEL_Device::AddFileToDB(LPWSTR path, tagDB_File* record) {
    if (record == nullptr) return 0;
    const CString full(path);
    // A cut folder or name would record the file under another path.
    const int cut = full.ReverseFind(u'\\');
    if (cut >= ZEL_DBFOLDER || full.GetLength() - cut - 1 >= ZEL_DBFILENAME) {
        OutputDebugStringW(u"[Device] The path does not fit a database record: " + full);
        return 0;
    }
    zelcore::SplitIntoRecord(full, record);

    // These two models keep only music in their database.
    CString model = zelcore::FixedText(m_Settings.ModelName);
    if ((model == u"RV-M41" || model == u"RV-M43") && !(record->MediaType & ZEL_MEDIA_AUDIO)) return 0;

    const BOOL added = m_pfnZELDB_AddRecord ? m_pfnZELDB_AddRecord(record) : 0;
    if (!added) OutputDebugStringW(u"[Device] The player's database did not take the record of " + full);
    return added;
}

BOOL CZEL_Device::DeleteFileToDB(LPWSTR path) {
    return m_pfnZELDB_DeleteRecord ? m_pfnZELDB_DeleteRecord(path) : 0;
}
