// COM initialisation, the in-memory stream, and passing interface pointers
// between threads in streams.
//
// Marshalling writes a token (a tag, the interface id and a cookie) into a new
// memory stream; the object, with one reference, waits in a table under the cookie.
// Unmarshalling takes the cookie out of the table, so a token works once. The
// stream that was made for a token also owns it: released before anyone read the
// token, it gives the object's reference back.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "zelcompat/com.h"

namespace {

constexpr BYTE kTokenTag[8] = {'Z', 'E', 'L', 'M', 'A', 'R', 'S', 'H'};

struct Token {
    BYTE tag[8];
    IID iid;
    uint64_t cookie;
};

struct MarshalTable {
    std::mutex lock;
    std::unordered_map<uint64_t, IUnknown*> objects;
    uint64_t nextCookie = 1;
};

MarshalTable& Table() {
    static MarshalTable* table = new MarshalTable;  // outlives static destructors
    return *table;
}

// Takes the object out of the table (null when the cookie was used or never given).
IUnknown* TakeMarshalled(uint64_t cookie) {
    MarshalTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.objects.find(cookie);
    if (found == table.objects.end()) return nullptr;
    IUnknown* object = found->second;
    table.objects.erase(found);
    return object;
}

class MemoryStream final : public IStream {
public:
    MemoryStream(const BYTE* data, size_t size) : bytes_(data, data + size) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_ISequentialStream) ||
            IsEqualGUID(iid, IID_IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT Read(void* buffer, ULONG cb, ULONG* read) override {
        if (!buffer && cb) return STG_E_INVALIDPOINTER;
        std::lock_guard<std::mutex> guard(lock_);
        size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        size_t count = std::min<size_t>(cb, available);
        if (count) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        if (read) *read = static_cast<ULONG>(count);
        return count == cb ? S_OK : S_FALSE;
    }
    HRESULT Write(const void* buffer, ULONG cb, ULONG* written) override {
        if (!buffer && cb) return STG_E_INVALIDPOINTER;
        std::lock_guard<std::mutex> guard(lock_);
        if (position_ + cb > bytes_.size()) bytes_.resize(position_ + cb);
        if (cb) std::memcpy(bytes_.data() + position_, buffer, cb);
        position_ += cb;
        if (written) *written = cb;
        return S_OK;
    }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        std::lock_guard<std::mutex> guard(lock_);
        long long base = 0;
        switch (origin) {
            case STREAM_SEEK_SET: base = 0; break;
            case STREAM_SEEK_CUR: base = static_cast<long long>(position_); break;
            case STREAM_SEEK_END: base = static_cast<long long>(bytes_.size()); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        long long target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<size_t>(target);
        if (newPosition) newPosition->QuadPart = static_cast<ULONGLONG>(target);
        return S_OK;
    }
    HRESULT SetSize(ULARGE_INTEGER newSize) override {
        std::lock_guard<std::mutex> guard(lock_);
        bytes_.resize(static_cast<size_t>(newSize.QuadPart));
        return S_OK;
    }
    HRESULT Commit(DWORD) override { return S_OK; }

    // The stream owns the token it was made for.
    void OwnToken(uint64_t cookie) { ownedCookie_ = cookie; }

private:
    ~MemoryStream() {
        // Released unread: the object's reference goes back.
        if (ownedCookie_) {
            if (IUnknown* object = TakeMarshalled(ownedCookie_)) object->Release();
        }
    }

    std::atomic<ULONG> references_{1};
    std::mutex lock_;
    std::vector<BYTE> bytes_;
    size_t position_ = 0;
    uint64_t ownedCookie_ = 0;
};

}  // namespace

HRESULT CoInitialize(LPVOID) { return S_OK; }
HRESULT CoInitializeEx(LPVOID, DWORD) { return S_OK; }
void CoUninitialize() {}

IStream* SHCreateMemStream(const BYTE* data, UINT size) {
    if (!data) size = 0;
    return new (std::nothrow) MemoryStream(data, size);
}

HRESULT CoMarshalInterThreadInterfaceInStream(REFIID iid, LPUNKNOWN object, LPSTREAM* stream) {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    if (!object) return E_INVALIDARG;
    void* probe = nullptr;
    HRESULT hr = object->QueryInterface(iid, &probe);
    if (FAILED(hr) || !probe) return FAILED(hr) ? hr : E_NOINTERFACE;
    static_cast<IUnknown*>(probe)->Release();

    Token token{};
    std::memcpy(token.tag, kTokenTag, sizeof token.tag);
    token.iid = iid;
    object->AddRef();
    {
        MarshalTable& table = Table();
        std::lock_guard<std::mutex> guard(table.lock);
        token.cookie = table.nextCookie++;
        table.objects.emplace(token.cookie, object);
    }
    auto* memory = new (std::nothrow) MemoryStream(reinterpret_cast<const BYTE*>(&token), sizeof token);
    if (!memory) {
        if (IUnknown* taken = TakeMarshalled(token.cookie)) taken->Release();
        return E_OUTOFMEMORY;
    }
    memory->OwnToken(token.cookie);
    *stream = memory;
    return S_OK;
}

HRESULT CoGetInterfaceAndReleaseStream(LPSTREAM stream, REFIID iid, LPVOID* object) {
    if (!stream) return E_INVALIDARG;
    if (!object) {
        stream->Release();
        return E_INVALIDARG;
    }
    *object = nullptr;
    Token token{};
    ULONG read = 0;
    HRESULT hr = stream->Read(&token, sizeof token, &read);
    if (FAILED(hr) || read != sizeof token || std::memcmp(token.tag, kTokenTag, sizeof token.tag) != 0) {
        hr = E_INVALIDARG;
    } else if (IUnknown* marshalled = TakeMarshalled(token.cookie)) {
        hr = marshalled->QueryInterface(iid, object);
        if (hr != S_OK) *object = nullptr;
        marshalled->Release();
    } else {
        hr = CO_E_OBJNOTCONNECTED;
    }
    stream->Release();
    return hr;
}
