// Loading the movie converter for one use.
#include "internal/MovieConverter.h"

namespace zelums {

MovieConverter::MovieConverter() : m_module(LoadLibraryW(u"xvmf2avi.dll")), m_convert(nullptr) {
    if (m_module != nullptr)
        m_convert = reinterpret_cast<ConvertProc>(reinterpret_cast<void*>(GetProcAddress(m_module, "ConvertVMF2AVI")));
}

MovieConverter::~MovieConverter() {
    if (m_module != nullptr) FreeLibrary(m_module);
}

bool MovieConverter::Convert(LPCWSTR source, LPCWSTR destination) const {
    return m_convert != nullptr && m_convert(source, destination) == 0;
}

bool MovieConverter::IsPlayerMovie(const CString& path) {
    return path.GetLength() >= 3 && path.Right(3).CompareNoCase(u"vmf") == 0;
}

CString MovieConverter::AviName(const CString& path) {
    // Only the extension changes: a folder named "x.vmf" on the way stays as it is.
    const int stem = path.GetLength() - 4;
    if (stem < 0 || path.Right(4).CompareNoCase(u".vmf") != 0) return path;
    return path.Left(stem) + (path.Right(4) == u".VMF" ? u".AVI" : u".avi");
}

}  // namespace zelums
