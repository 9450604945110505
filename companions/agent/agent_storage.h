// The IWMDMStorage objects the agent hands out, one per node of its view of
// the player, and the slots through which tree entries carry them marshalled
// into streams.
//
// Reference counts: the agent keeps one reference to each object while its
// node is known, and one to each stream it puts into a slot. A reader turns a
// slot's stream back into the object with CoGetInterfaceAndReleaseStream,
// which releases the reader's reference; the agent notices that the stream
// was read (its position moved) and puts a fresh one in the slot the next
// time it hands the entry out. Slots themselves are never freed, so an entry
// that outlives the agent's session finds an empty slot rather than freed
// memory.
#pragma once

#include <atomic>
#include <cstdint>

#include "zelcompat/com.h"
#include "zelcompat/types.h"

namespace zelagent {

class AgentStorage final : public IWMDMStorage {
public:
    AgentStorage(uint64_t session, DWORD node) : session_(session), node_(node) {}

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override;

    uint64_t Session() const { return session_; }
    DWORD Node() const { return node_; }

    // The agent's object behind an interface pointer, without a reference of
    // its own; null for an object that is not the agent's.
    static AgentStorage* Of(IUnknown* object);

private:
    ~AgentStorage() = default;
    std::atomic<ULONG> references_{1};
    uint64_t session_;
    DWORD node_;
};

// The slot and object of one node.
class StorageCell {
public:
    StorageCell(uint64_t session, DWORD node);
    ~StorageCell();  // releases what the agent holds
    StorageCell(const StorageCell&) = delete;
    StorageCell& operator=(const StorageCell&) = delete;

    AgentStorage* Object() const { return object_; }
    // The slot, holding a stream not yet read.
    IStream** FreshSlot();

private:
    AgentStorage* object_;
    IStream** slot_;  // lives as long as the process
};

}  // namespace zelagent
