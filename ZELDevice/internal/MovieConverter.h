// The movie converter "xvmf2avi.dll": loaded at the time of use, looked up by
// its entry point, unloaded again when the object goes. A movie in the
// player's own format (VMF) comes back to the computer as an AVI file through it.
#pragma once

#include "zelcompat/cstring.h"
#include "zelcompat/modules.h"
#include "zelcompat/types.h"

namespace zelums {

class MovieConverter {
public:
    MovieConverter();
    ~MovieConverter();
    MovieConverter(const MovieConverter&) = delete;
    MovieConverter& operator=(const MovieConverter&) = delete;

    // The library and its entry point were both found.
    bool Available() const { return m_convert != nullptr; }
    // Converts source into an AVI file at destination; true when the converter answered 0.
    bool Convert(LPCWSTR source, LPCWSTR destination) const;

    // The last three characters of path are "vmf" in any case.
    static bool IsPlayerMovie(const CString& path);
    // path with a final ".VMF" made ".AVI" and any other spelling of ".vmf" made ".avi".
    static CString AviName(const CString& path);

private:
    typedef int (*ConvertProc)(LPCWSTR source, LPCWSTR destination);
    HMODULE m_module;
    ConvertProc m_convert;
};

}  // namespace zelums
