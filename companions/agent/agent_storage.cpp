// The agent's storage objects and the slots of their marshalled streams.
#include "agent_storage.h"

#include <deque>
#include <mutex>

namespace zelagent {
namespace {

// Finds the agent's own object behind an IWMDMStorage pointer.
constexpr IID kAgentStorageIID = {0x5A454C41, 0x4D54, 0x5053, {0x80, 0x01, 0x5A, 0x45, 0x4C, 0x4D, 0x54, 0x50}};

// Every slot ever made; entries of a device tree may point to them for as long as they live.
IStream** NewSlot() {
    static std::mutex lock;
    static auto* slots = new std::deque<IStream*>;  // outlives static destructors
    std::lock_guard<std::mutex> guard(lock);
    slots->push_back(nullptr);
    return &slots->back();
}

// Whether a stream's token was read: reading moves it off its start.
bool WasRead(IStream* stream) {
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    return FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &position)) || position.QuadPart != 0;
}

}  // namespace

HRESULT AgentStorage::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IWMDMStorage) || IsEqualGUID(iid, kAgentStorageIID)) {
        *object = static_cast<IWMDMStorage*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AgentStorage::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

AgentStorage* AgentStorage::Of(IUnknown* object) {
    void* found = nullptr;
    if (object == nullptr || FAILED(object->QueryInterface(kAgentStorageIID, &found)) || found == nullptr)
        return nullptr;
    auto* storage = static_cast<AgentStorage*>(static_cast<IWMDMStorage*>(found));
    storage->Release();  // the caller's reference keeps it alive
    return storage;
}

StorageCell::StorageCell(uint64_t session, DWORD node)
    : object_(new AgentStorage(session, node)), slot_(NewSlot()) {}

StorageCell::~StorageCell() {
    if (IStream* stream = *slot_) {
        // An unread stream still holds the reader's reference, and through its token one to the object.
        if (!WasRead(stream)) stream->Release();
        stream->Release();
        *slot_ = nullptr;
    }
    object_->Release();
}

IStream** StorageCell::FreshSlot() {
    if (*slot_ != nullptr && WasRead(*slot_)) {
        (*slot_)->Release();
        *slot_ = nullptr;
    }
    if (*slot_ == nullptr) {
        IStream* stream = nullptr;
        if (SUCCEEDED(CoMarshalInterThreadInterfaceInStream(IID_IWMDMStorage, object_, &stream)) && stream != nullptr) {
            stream->AddRef();  // the agent's own, so that it can tell when the stream was read
            *slot_ = stream;
        }
    }
    return slot_;
}

}  // namespace zelagent
