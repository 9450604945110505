// Lyrics conversion of music files before they are copied to a player that
// shows lyrics (capability 0x10). The tag block of a file (the ID3v2 tag of an
// MP3, the ASF header object of a WMA, or a whole OGG file) is rewritten by the
// outside conversion library "LDBConvert.dll"; the rewritten file is what the
// transfer code sends to the player.
#pragma once

#include "ZELDevice/abi/Codes.h"
#include "ZELDevice/abi/Records.h"
#include "ZELDevice/abi/AgentRoutines.h"
#include "zelcompat/cstring.h"
#include "zelcompat/modules.h"
#include "zelcompat/types.h"

// Entry points of the conversion library.
// Converts a tag block (mode 0: the ID3v2 tag of an MP3 with its 10-byte
// header; mode 1: an ASF header object) into the player's form. On entry
// *outputLength holds the room in output; the library writes the length it
// produced. 0: converted; 1: the block holds no lyrics; other: failure.
typedef int (*ZelLyricsConvertFn)(const BYTE* input, DWORD inputLength, int mode, BYTE* output,
                                  DWORD* outputLength, LPCWSTR modelName, LPCWSTR playerTablePath);
// Converts a whole OGG file into outputPath; a non-zero low byte: written.
typedef int (*ZelLyricsOggFn)(LPCWSTR sourcePath, LPCWSTR modelName, LPCWSTR playerTablePath,
                              LPCWSTR outputPath);

// Lyrics conversion for one device object: the conversion library, the player
// table and the folder that receives converted files.
class AFX_EXT_CLASS CLyricsConverter {
public:
    // Room for the converted tag block beyond the size of the one given.
    static constexpr DWORD kTagSlack = 65535;
    // Extra room the caller of ConvertMP3ToBuffer gives beyond the file size:
    // what a converted tag may grow by, and the 10,000 bytes the conversion
    // needs on top. With less, long lyrics could never be merged.
    static constexpr DWORD kBufferSlack = kTagSlack + 10000;
    // Room for a converted ASF header object beyond the size of the one given.
    static constexpr DWORD kHeaderSlack = 60000;

    // Loads the conversion library and names the player table "PlayerInfos.ini"
    // in the data folder (ZelDataFolder: installed, else beside the executable).
    // A missing library is not reported here; every conversion checks for it.
    CLyricsConverter();
    // The same with another conversion library (a bare module name or a full path).
    explicit CLyricsConverter(LPCWSTR libraryName);
    ~CLyricsConverter();
    CLyricsConverter(const CLyricsConverter&) = delete;
    CLyricsConverter& operator=(const CLyricsConverter&) = delete;

    // The folder that receives converted WMA and OGG files.
    void SetWorkFolder(LPCWSTR folder);
    LPCWSTR GetWorkFolder() const { return m_strWorkFolder; }        // the work folder
    LPCWSTR GetPlayerTablePath() const { return m_szPlayerTable; }   // the full path of the player table
    // The library and both of its entry points were found.
    BOOL IsAvailable() const;

    // Size of a file in bytes; 0 when it cannot be opened.
    DWORD GetFileLength(DWORD mediaType, LPCWSTR path) const;
    // Reads count bytes from offset into buffer; the bytes read, 0 when the
    // file cannot be opened.
    DWORD ReadRange(DWORD mediaType, LPCWSTR path, BYTE* buffer, DWORD count, DWORD offset) const;
    // Size of the ID3v2 tag body (without its 10-byte header); 0 without a
    // tag, -1 when the file cannot be opened.
    int GetID3v2TagSize(DWORD mediaType, LPCWSTR path) const;

    // Writes the player version of an MP3 file into buffer, which has room for
    // the file size plus kBufferSlack bytes: the tag converted by the library
    // followed by the audio. When an album-art routine of the agent is given
    // (the picture remover first, else the in-memory resizer, which gets
    // AlbumArtWidth x AlbumArtHeight), it rewrites the tag before conversion.
    // Returns the number of bytes in buffer (the file unchanged when nothing
    // was converted) and the tag body size in *tagLength; -1 without the
    // library. A converted tag that does not fit is left out with a line on
    // the debugger output.
    int ConvertMP3ToBuffer(const tagDeviceSettings* settings, LPCWSTR path, DWORD mediaType, BYTE* buffer,
                           ZelAlbumImageDeleteFn stripArt, ZelAlbumImageResizeInMemoryFn resizeArt,
                           int* tagLength) const;

    // Converts a WMA or OGG file into the work folder. name holds the output
    // file name (empty: the source's name) and receives the full path of the
    // converted file; it has room for nameSize units. Returns
    // ZEL_SUCCESS, ZEL_ERR_NOT_CONVERTED or ZEL_ERR_PATH.
    DWORD ConvertFile(const tagDeviceSettings* settings, LPCWSTR sourcePath, DWORD mediaType, LPWSTR name,
                      int nameSize = MAX_PATH) const;

    // Copies the ASF header object of a file into headerPath (null or empty:
    // only checks that there is one).
    DWORD ExtractASFHeader(LPCWSTR sourcePath, LPCWSTR headerPath) const;
    // Writes outputPath as the header object of headerSource followed by the
    // content of contentSource after its own header object.
    BOOL ReplaceASFHeader(LPCWSTR contentSource, LPCWSTR headerSource, LPCWSTR outputPath) const;

    // The block begins with the ASF Header Object GUID (length at least 16).
    static BOOL IsASFHeader(const BYTE* block, DWORD length);
    // The model name as the library expects it: "[" and "]" become "(" and ")".
    static CString LibraryModelName(const tagDeviceSettings* settings);

private:
    HMODULE m_hLibrary;
    ZelLyricsOggFn m_pfnOggConvert;
    ZelLyricsConvertFn m_pfnTagConvert;
    WCHAR m_szPlayerTable[MAX_PATH];
    CString m_strWorkFolder;
};
