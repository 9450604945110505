// What a transfer leaves on the computer on its way: the transfer buffer of
// merged lyrics and the temporary album-art and lyrics copies. Freed and
// deleted on every way out of the transfer.
#pragma once

#include "zelcompat/cstring.h"
#include "zelcompat/files.h"
#include "zelcompat/types.h"

namespace zelcore {

class TransferScratch {
public:
    explicit TransferScratch(BYTE*& buffer) : m_buffer(buffer) {}
    ~TransferScratch() {
        delete[] m_buffer;
        m_buffer = nullptr;
        DropAlbumArtCopy();
        Drop(m_lyricsCopy);
    }
    TransferScratch(const TransferScratch&) = delete;
    TransferScratch& operator=(const TransferScratch&) = delete;

    void KeepAlbumArtCopy(const CString& path) { m_albumArtCopy = path; }
    void KeepLyricsCopy(const CString& path) { m_lyricsCopy = path; }
    // The album-art copy is no longer the file to send.
    void DropAlbumArtCopy() { Drop(m_albumArtCopy); }

private:
    static void Drop(CString& path) {
        if (!path.IsEmpty()) DeleteFileW(path);
        path.Empty();
    }
    BYTE*& m_buffer;
    CString m_albumArtCopy;
    CString m_lyricsCopy;
};

}  // namespace zelcore
