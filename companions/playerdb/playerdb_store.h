// The records of a player database in memory, found by path through a hash of
// folded paths, and their encoding in the database file.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "ZELDevice/abi/Records.h"
#include "zelcompat/types.h"

namespace zelplayerdb {

// What the database keeps of a tagDB_File: every named field. Reserved bytes
// are not kept (they read back as zero).
struct StoredRecord {
    DWORD MediaType = 0;
    DWORD FileSize = 0;
    DWORD Created[6] = {};
    DWORD Modified[6] = {};
    DWORD Number1 = 0;
    DWORD Number2 = 0;
    DWORD OrderNumber = 0;
    DWORD LyricsFlag = 0;
    std::u16string Folder;
    std::u16string FileName;
    std::u16string Text1;
    std::u16string Text2;
    std::u16string Text3;
    std::u16string ShortText1;
    std::u16string ShortText2;

    static StoredRecord FromRecord(const tagDB_File& record);
    // Zero-fills record and copies every kept field into it.
    void ToRecord(tagDB_File& record) const;
    // Folder "\" FileName.
    std::u16string FullPath() const;
};

// The form in which paths are compared: without the drive ("E:"), with one
// leading "\", folded without regard to case.
std::u16string PathKey(const std::u16string& path);

// File layout (little-endian):
//   header: magic "ZELPLDB1" (8 bytes), version (u32), record count (u32),
//           payload length in bytes (u32), CRC-32 of the payload (u32)
//   payload: the records in order, each: MediaType, FileSize, Created[6],
//           Modified[6], Number1, Number2, OrderNumber, LyricsFlag (u32 each),
//           then Folder, FileName, Text1, Text2, Text3, ShortText1, ShortText2,
//           each a u16 unit count followed by that many UTF-16 units.
inline constexpr char kMagic[8] = {'Z', 'E', 'L', 'P', 'L', 'D', 'B', '1'};
inline constexpr uint32_t kVersion = 1;
inline constexpr size_t kHeaderSize = 24;
inline constexpr uint32_t kMaxPayload = 512u << 20;

uint32_t Crc32(const uint8_t* data, size_t size);

class Store {
public:
    Store() = default;
    // The index points into the list: a store moves, it is never copied.
    Store(Store&&) = default;
    Store& operator=(Store&&) = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    void Clear();
    // Adds a record, or replaces the one with the same path. False for a record without a file name.
    bool Put(StoredRecord record);
    bool Remove(const std::u16string& path);
    const StoredRecord* Find(const std::u16string& path) const;
    // The same by the path's key (PathKey), for callers that keep keys.
    bool PutKeyed(std::u16string key, StoredRecord record);
    bool RemoveKeyed(const std::u16string& key);
    const StoredRecord* FindKeyed(const std::u16string& key) const;
    // Room for this many records without growing the index on the way.
    void Reserve(size_t records) { m_index.reserve(records); }
    size_t Count() const { return m_records.size(); }
    const std::list<StoredRecord>& Records() const { return m_records; }

    std::vector<uint8_t> Encode() const;
    // Replaces the content with a decoded file; on any fault in the file the
    // store is left empty and the answer is false.
    bool Decode(const uint8_t* data, size_t size);

private:
    std::list<StoredRecord> m_records;  // in the order they were first recorded
    std::unordered_map<std::u16string, std::list<StoredRecord>::iterator> m_index;
};

}  // namespace zelplayerdb
