// One shell file operation (move, copy, delete or rename) over lists of source
// and destination paths, prepared step by step and run once. The format and
// database-rebuild code of mass-storage players copy files and folders between
// the computer and the player with it, through ShellSilentCopy.
#pragma once

#include <string>

#include "zelcompat/collections.h"
#include "zelcompat/cstring.h"
#include "zelcompat/shellop.h"
#include "zelcompat/types.h"

class CWnd;

// One shell file operation, prepared (lists, flags, title) and then run by Go.
class AFX_EXT_CLASS CShellFileOp {
public:
    CShellFileOp();  // nothing prepared
    ~CShellFileOp() = default;
    CShellFileOp(const CShellFileOp&) = delete;
    CShellFileOp& operator=(const CShellFileOp&) = delete;

    // Adds a source path. Both adders always answer TRUE; running out of memory
    // raises CMemoryException*.
    BOOL AddSourceFile(LPCWSTR path);
    // Adds a destination path.
    BOOL AddDestFile(LPCWSTR path);
    const CStringList& GetSourceFileList() const { return m_lcstrSourceFiles; }  // the sources added
    const CStringList& GetDestFileList() const { return m_lcstrDestFiles; }      // the destinations added

    // The title of the shell's progress display.
    void SetProgressDlgTitle(LPCWSTR title);

    // Chooses the operation (FO_MOVE, FO_COPY, FO_DELETE, FO_RENAME), the owner
    // window (null: none) and the shell flags, one BOOL each.
    void SetOperationFlags(UINT operation, CWnd* owner, BOOL silent, BOOL allowUndo, BOOL filesOnly,
                           BOOL noConfirmation, BOOL noConfirmMkDir, BOOL renameOnCollision,
                           BOOL simpleProgress);
    // The same with the shell's FOF_ flags given as one word.
    void SetOperationFlags(UINT operation, CWnd* owner, FILEOP_FLAGS flags);

    // Empties both lists and the title and forgets the operation; answers 0.
    int Reset();

    // Runs the prepared operation. Refused (FALSE, nothing called) unless an
    // operation 1 to 4 was set and there is a source, and, except for delete,
    // one destination or as many destinations as sources. Each pointer may be
    // null: *started tells whether the shell was called, *shellResult its
    // answer, *aborted its aborted flag. TRUE when the shell answered 0.
    BOOL Go(BOOL* started, int* shellResult = nullptr, BOOL* aborted = nullptr);

    BOOL IsPrepared() const { return m_bFlagsSet; }     // an operation was chosen
    BOOL IsStarted() const { return m_bGoCalledAPI; }   // Go called the shell
    // The request as prepared: owner window, operation and flags (the lists
    // are filled only during Go).
    const SHFILEOPSTRUCTW& GetRequest() const { return m_rFOS; }

private:
    // The texts of a list, each ending with a zero, and one more zero.
    static std::u16string BuildList(const CStringList& list);

    BOOL m_bFlagsSet;
    BOOL m_bGoCalledAPI;
    CStringList m_lcstrSourceFiles;
    CStringList m_lcstrDestFiles;
    SHFILEOPSTRUCTW m_rFOS;
    CString m_cstrProgressDlgTitle;
};

// Copies source to destination with the shell (copy, silent, no confirmation,
// no confirmation for new folders: flags 0x214), owned by owner (may be
// null). TRUE on success.
AFX_EXT_API BOOL ShellSilentCopy(CWnd* owner, LPCWSTR source, LPCWSTR destination);
