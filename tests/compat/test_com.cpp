// COM: memory streams and interface pointers passed between threads in streams.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "zelcompat/com.h"
#include "zelcompat/thread.h"

namespace {

// A player storage as the agent would hand it out; counts its references.
class FakeStorage final : public IWMDMStorage {
public:
    explicit FakeStorage(bool* destroyed) : destroyed_(destroyed) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IWMDMStorage)) {
            *object = static_cast<IWMDMStorage*>(this);
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
    ULONG References() const { return references_; }

private:
    ~FakeStorage() { *destroyed_ = true; }
    std::atomic<ULONG> references_{1};
    bool* destroyed_;
};

std::vector<BYTE> Contents(IStream* stream) {
    std::vector<BYTE> bytes(256);
    ULONG read = 0;
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    bytes.resize(read);
    return bytes;
}

struct Unmarshal {
    IStream* stream;
    void* result = nullptr;
    HRESULT hr = E_FAIL;
};

DWORD WINAPI UnmarshalOnThread(LPVOID parameter) {
    auto* job = static_cast<Unmarshal*>(parameter);
    job->hr = CoGetInterfaceAndReleaseStream(job->stream, IID_IWMDMStorage, &job->result);
    return 0;
}

}  // namespace

TEST(ComMarshal, StreamUnmarshalsOnceOnAnotherThreadAndIsRefusedAfter) {
    bool destroyed = false;
    auto* storage = new FakeStorage(&destroyed);
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IWMDMStorage, storage, &stream));
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(2u, storage->References());  // the stream holds one
    std::vector<BYTE> token = Contents(stream);
    ASSERT_FALSE(token.empty());
    storage->Release();

    Unmarshal job{stream};
    HANDLE thread = CreateThread(nullptr, 0, UnmarshalOnThread, &job, 0, nullptr);
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    ASSERT_EQ(S_OK, job.hr);
    EXPECT_EQ(static_cast<IWMDMStorage*>(storage), job.result);
    EXPECT_EQ(1u, storage->References());  // the stream's reference became the caller's

    // The same token again, from a copy of the bytes: refused, and the copy is released.
    IStream* copy = SHCreateMemStream(token.data(), static_cast<UINT>(token.size()));
    copy->AddRef();
    void* again = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, CoGetInterfaceAndReleaseStream(copy, IID_IWMDMStorage, &again));
    EXPECT_EQ(nullptr, again);
    EXPECT_EQ(0u, copy->Release());
    static_cast<IWMDMStorage*>(job.result)->Release();
    EXPECT_TRUE(destroyed);
}

TEST(ComMarshal, UnreadStreamsMissingInterfacesAndJunkGiveTheReferenceBack) {
    bool destroyed = false;
    auto* storage = new FakeStorage(&destroyed);
    IStream* stream = reinterpret_cast<IStream*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, CoMarshalInterThreadInterfaceInStream(IID_IWMDMDevice, storage, &stream));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(1u, storage->References());

    // A token asked for an interface the object lacks: refused, and consumed.
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IUnknown, storage, &stream));
    void* device = nullptr;
    EXPECT_EQ(E_NOINTERFACE, CoGetInterfaceAndReleaseStream(stream, IID_IWMDMDevice, &device));
    EXPECT_EQ(nullptr, device);
    EXPECT_EQ(1u, storage->References());

    // A stream released unread gives its reference back.
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IWMDMStorage, storage, &stream));
    storage->Release();
    EXPECT_FALSE(destroyed);
    stream->Release();
    EXPECT_TRUE(destroyed);

    const BYTE junk[] = "not a marshalled interface, just some bytes";
    void* none = nullptr;
    IStream* bogus = SHCreateMemStream(junk, sizeof junk);
    EXPECT_EQ(E_INVALIDARG, CoGetInterfaceAndReleaseStream(bogus, IID_IWMDMStorage, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_INVALIDARG, CoGetInterfaceAndReleaseStream(nullptr, IID_IWMDMStorage, &none));
}

TEST(ComStream, MemoryStreamReadsWritesAndSeeks) {
    const BYTE data[] = {1, 2, 3, 4, 5};
    IStream* stream = SHCreateMemStream(data, sizeof data);
    ASSERT_NE(nullptr, stream);
    BYTE buffer[8] = {};
    ULONG count = 0;
    EXPECT_EQ(S_OK, stream->Read(buffer, 2, &count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(S_FALSE, stream->Read(buffer, 8, &count));  // only three were left
    EXPECT_EQ(3u, count);
    EXPECT_EQ(5, buffer[2]);

    const BYTE more[] = {9, 9};
    EXPECT_EQ(S_OK, stream->Write(more, 2, &count));
    ULARGE_INTEGER position{};
    LARGE_INTEGER move{};
    move.QuadPart = -3;
    EXPECT_EQ(S_OK, stream->Seek(move, STREAM_SEEK_END, &position));
    EXPECT_EQ(4u, position.QuadPart);
    EXPECT_EQ(S_OK, stream->Read(buffer, 3, &count));
    EXPECT_EQ((std::vector<BYTE>{5, 9, 9}), std::vector<BYTE>(buffer, buffer + 3));
    move.QuadPart = -100;
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(move, STREAM_SEEK_CUR, nullptr));
    void* other = nullptr;
    EXPECT_EQ(E_NOINTERFACE, stream->QueryInterface(IID_IWMDMStorage, &other));
    EXPECT_EQ(0u, stream->Release());
}
