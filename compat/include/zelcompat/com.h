// The COM subset: GUIDs, IUnknown, streams, and handing an interface pointer to
// another thread through a stream.
//
// Objects live in one process and every thread may call them, so marshalling does
// not build proxies: CoMarshalInterThreadInterfaceInStream writes a token into a
// new stream and keeps a reference to the object under it; the first
// CoGetInterfaceAndReleaseStream that reads the token takes that reference back
// and answers the object's interface. The token is good once: reading it again,
// from the same stream or a copy of its bytes, fails.
#pragma once

#include <cstring>

#include "types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline BOOL IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b) != FALSE; }
#define IsEqualIID(a, b) IsEqualGUID(a, b)

#define STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0

#define CO_E_NOTINITIALIZED (static_cast<HRESULT>(static_cast<int32_t>(0x800401F0u)))
#define CO_E_OBJNOTCONNECTED (static_cast<HRESULT>(static_cast<int32_t>(0x800401FDu)))
#define STG_E_INVALIDFUNCTION (static_cast<HRESULT>(static_cast<int32_t>(0x80030001u)))
#define STG_E_INVALIDPOINTER (static_cast<HRESULT>(static_cast<int32_t>(0x80030009u)))

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

// Stream seek origins.
#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ISequentialStream = {
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
inline constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IWMDMStorage = {
    0x1DCB3A06, 0x33ED, 0x11D3, {0x84, 0x70, 0x00, 0xC0, 0x4F, 0x79, 0xDB, 0xC0}};
inline constexpr IID IID_IWMDMDevice = {
    0x1DCB3A02, 0x33ED, 0x11D3, {0x84, 0x70, 0x00, 0xC0, 0x4F, 0x79, 0xDB, 0xC0}};

struct IUnknown {
    // S_OK and an added reference in *object, or E_NOINTERFACE and null.
    STDMETHOD(QueryInterface)(REFIID iid, void** object) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;
};
typedef IUnknown* LPUNKNOWN;

struct ISequentialStream : public IUnknown {
    // S_OK when cb bytes were read, S_FALSE when the end came first.
    STDMETHOD(Read)(void* buffer, ULONG cb, ULONG* read) PURE;
    STDMETHOD(Write)(const void* buffer, ULONG cb, ULONG* written) PURE;
};

struct IStream : public ISequentialStream {
    STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) PURE;
    STDMETHOD(SetSize)(ULARGE_INTEGER newSize) PURE;
    STDMETHOD(Commit)(DWORD flags) PURE;
};
typedef IStream* LPSTREAM;

// The media device agent's objects; the library only carries them around.
struct IWMDMStorage : public IUnknown {};
struct IWMDMDevice : public IUnknown {};

ZELCOMPAT_API HRESULT CoInitialize(LPVOID reserved);
ZELCOMPAT_API HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
ZELCOMPAT_API void CoUninitialize();

// A new in-memory stream holding a copy of size bytes of data (null: empty), at
// position 0, with one reference; null when memory runs out.
ZELCOMPAT_API IStream* SHCreateMemStream(const BYTE* data, UINT size);

// Writes a token for the object's iid interface into a new stream (positioned at
// its start) and keeps a reference to the object until the token is read or the
// stream is released. E_NOINTERFACE when the object lacks the interface.
ZELCOMPAT_API HRESULT CoMarshalInterThreadInterfaceInStream(REFIID iid, LPUNKNOWN object, LPSTREAM* stream);
// Reads the token at the stream's position and answers the object's iid interface
// in *object (null on failure). Releases the stream whatever happens. A token read
// before fails with CO_E_OBJNOTCONNECTED.
ZELCOMPAT_API HRESULT CoGetInterfaceAndReleaseStream(LPSTREAM stream, REFIID iid, LPVOID* object);
