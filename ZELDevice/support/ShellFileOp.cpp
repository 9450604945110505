// The shell file-operation object and the silent copy routine.
#include "ZELDevice/support/ShellFileOp.h"

#include <new>

#include "zelcompat/afxwin.h"

CShellFileOp::CShellFileOp()
    : m_bFlagsSet(FALSE), m_bGoCalledAPI(FALSE), m_lcstrSourceFiles(10), m_lcstrDestFiles(10), m_rFOS{} {}

BOOL CShellFileOp::AddSourceFile(LPCWSTR path) {
    try {
        m_lcstrSourceFiles.AddTail(path);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    return TRUE;
}

BOOL CShellFileOp::AddDestFile(LPCWSTR path) {
    try {
        m_lcstrDestFiles.AddTail(path);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    return TRUE;
}

void CShellFileOp::SetProgressDlgTitle(LPCWSTR title) { m_cstrProgressDlgTitle = title; }

void CShellFileOp::SetOperationFlags(UINT operation, CWnd* owner, BOOL silent, BOOL allowUndo, BOOL filesOnly,
                                     BOOL noConfirmation, BOOL noConfirmMkDir, BOOL renameOnCollision,
                                     BOOL simpleProgress) {
    FILEOP_FLAGS flags = 0;
    if (silent) flags |= FOF_SILENT;
    if (allowUndo) flags |= FOF_ALLOWUNDO;
    if (filesOnly) flags |= FOF_FILESONLY;
    if (noConfirmation) flags |= FOF_NOCONFIRMATION;
    if (noConfirmMkDir) flags |= FOF_NOCONFIRMMKDIR;
    if (renameOnCollision) flags |= FOF_RENAMEONCOLLISION;
    if (simpleProgress) flags |= FOF_SIMPLEPROGRESS;
    SetOperationFlags(operation, owner, flags);
}

void CShellFileOp::SetOperationFlags(UINT operation, CWnd* owner, FILEOP_FLAGS flags) {
    m_rFOS.hwnd = owner ? owner->GetSafeHwnd() : nullptr;
    m_rFOS.wFunc = operation;
    m_rFOS.fFlags = flags;
    m_bFlagsSet = TRUE;
}

int CShellFileOp::Reset() {
    m_bFlagsSet = FALSE;
    m_bGoCalledAPI = FALSE;
    m_lcstrSourceFiles.RemoveAll();
    m_lcstrDestFiles.RemoveAll();
    m_cstrProgressDlgTitle.Empty();
    m_rFOS = SHFILEOPSTRUCTW{};
    return 0;
}

std::u16string CShellFileOp::BuildList(const CStringList& list) {
    std::u16string block;
    try {
        size_t units = 1;
        for (POSITION pos = list.GetHeadPosition(); pos;) units += list.GetNext(pos).GetLength() + 1;
        block.reserve(units);
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            block += list.GetNext(pos).Str();
            block += u'\0';
        }
        block += u'\0';
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    return block;
}

BOOL CShellFileOp::Go(BOOL* started, int* shellResult, BOOL* aborted) {
    m_bGoCalledAPI = FALSE;
    if (started) *started = FALSE;

    if (!m_bFlagsSet || m_rFOS.wFunc < FO_MOVE || m_rFOS.wFunc > FO_RENAME) return FALSE;
    const INT_PTR sources = m_lcstrSourceFiles.GetCount();
    const INT_PTR destinations = m_lcstrDestFiles.GetCount();
    if (sources == 0) return FALSE;
    if (m_rFOS.wFunc != FO_DELETE) {
        if (destinations == 0) return FALSE;
        if (destinations > 1 && destinations != sources) return FALSE;
    }

    const std::u16string from = BuildList(m_lcstrSourceFiles);
    const std::u16string to = m_rFOS.wFunc == FO_DELETE ? std::u16string() : BuildList(m_lcstrDestFiles);
    m_rFOS.pFrom = from.c_str();
    m_rFOS.pTo = to.empty() ? nullptr : to.c_str();
    m_rFOS.lpszProgressTitle = m_cstrProgressDlgTitle;
    if (destinations > 1) m_rFOS.fFlags |= FOF_MULTIDESTFILES;

    m_bGoCalledAPI = TRUE;
    if (started) *started = TRUE;
    const int result = SHFileOperationW(&m_rFOS);
    if (shellResult) *shellResult = result;
    if (aborted) *aborted = m_rFOS.fAnyOperationsAborted;
    // The lists live only for the call.
    m_rFOS.pFrom = nullptr;
    m_rFOS.pTo = nullptr;
    m_rFOS.lpszProgressTitle = nullptr;
    return result == 0;
}

BOOL ShellSilentCopy(CWnd* owner, LPCWSTR source, LPCWSTR destination) {
    CShellFileOp operation;
    operation.AddSourceFile(source);
    operation.AddDestFile(destination);
    operation.SetOperationFlags(FO_COPY, owner, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
    BOOL started = FALSE;
    return operation.Go(&started) ? TRUE : FALSE;
}
