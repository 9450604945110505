// Records in memory and their file encoding.
#include "playerdb_store.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "zelcompat/textfn.h"

namespace zelplayerdb {

namespace {

template <size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
    size_t length = 0;
    while (length + 1 < N && field[length] != 0) ++length;  // room for the terminator stays
    return std::u16string(field, length);
}

template <size_t N>
void PutField(WCHAR (&field)[N], const std::u16string& text) {
    size_t length = text.size() < N ? text.size() : N - 1;
    std::memcpy(field, text.data(), length * sizeof(WCHAR));
    field[length] = 0;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutText(std::vector<uint8_t>& out, const std::u16string& text) {
    out.push_back(static_cast<uint8_t>(text.size()));
    out.push_back(static_cast<uint8_t>(text.size() >> 8));
    for (char16_t unit : text) {
        out.push_back(static_cast<uint8_t>(unit));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
}

// Reads the payload front to back; any read past the end marks it bad.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint32_t U32() {
        if (m_size - m_pos < 4) return Fail();
        uint32_t value = static_cast<uint32_t>(m_data[m_pos]) | static_cast<uint32_t>(m_data[m_pos + 1]) << 8 |
                         static_cast<uint32_t>(m_data[m_pos + 2]) << 16 | static_cast<uint32_t>(m_data[m_pos + 3]) << 24;
        m_pos += 4;
        return value;
    }
    // A text of at most limit units.
    std::u16string Text(size_t limit) {
        if (m_size - m_pos < 2) return Fail(), std::u16string();
        size_t units = static_cast<size_t>(m_data[m_pos]) | static_cast<size_t>(m_data[m_pos + 1]) << 8;
        m_pos += 2;
        if (units > limit || (m_size - m_pos) / 2 < units) return Fail(), std::u16string();
        std::u16string text(units, u'\0');
        for (size_t k = 0; k < units; ++k, m_pos += 2)
            text[k] = static_cast<char16_t>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        return text;
    }
    bool Good() const { return m_good; }
    bool AtEnd() const { return m_pos == m_size; }

private:
    uint32_t Fail() {
        m_good = false;
        m_pos = m_size;
        return 0;
    }
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_good = true;
};

}  // namespace

StoredRecord StoredRecord::FromRecord(const tagDB_File& record) {
    StoredRecord stored;
    stored.MediaType = record.MediaType;
    stored.FileSize = record.FileSize;
    std::memcpy(stored.Created, record.Created, sizeof stored.Created);
    std::memcpy(stored.Modified, record.Modified, sizeof stored.Modified);
    stored.Number1 = record.Number1;
    stored.Number2 = record.Number2;
    stored.OrderNumber = record.OrderNumber;
    stored.LyricsFlag = record.LyricsFlag;
    stored.Folder = FieldText(record.Folder);
    stored.FileName = FieldText(record.FileName);
    stored.Text1 = FieldText(record.Text1);
    stored.Text2 = FieldText(record.Text2);
    stored.Text3 = FieldText(record.Text3);
    stored.ShortText1 = FieldText(record.ShortText1);
    stored.ShortText2 = FieldText(record.ShortText2);
    return stored;
}

void StoredRecord::ToRecord(tagDB_File& record) const {
    std::memset(&record, 0, sizeof record);
    record.MediaType = MediaType;
    record.FileSize = FileSize;
    std::memcpy(record.Created, Created, sizeof Created);
    std::memcpy(record.Modified, Modified, sizeof Modified);
    record.Number1 = Number1;
    record.Number2 = Number2;
    record.OrderNumber = OrderNumber;
    record.LyricsFlag = LyricsFlag;
    PutField(record.Folder, Folder);
    PutField(record.FileName, FileName);
    PutField(record.Text1, Text1);
    PutField(record.Text2, Text2);
    PutField(record.Text3, Text3);
    PutField(record.ShortText1, ShortText1);
    PutField(record.ShortText2, ShortText2);
}

std::u16string StoredRecord::FullPath() const { return Folder + u"\\" + FileName; }

std::u16string PathKey(const std::u16string& path) {
    size_t start = path.size() >= 2 && path[1] == u':' ? 2 : 0;
    std::u16string key;
    key.reserve(path.size() - start + 1);
    if (start >= path.size() || path[start] != u'\\') key += u'\\';
    for (size_t k = start; k < path.size(); ++k) key += ZelToLower(ZelToUpper(path[k]));
    return key;
}

namespace {

// The CRC-32 table, made at compile time: it must still be there when the
// database is written while the library is being unloaded.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t k = 0; k < size; ++k) crc = kCrcTable[(crc ^ data[k]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void Store::Clear() {
    m_records.clear();
    m_index.clear();
}

bool Store::Put(StoredRecord record) {
    std::u16string key = PathKey(record.FullPath());
    return PutKeyed(std::move(key), std::move(record));
}

bool Store::PutKeyed(std::u16string key, StoredRecord record) {
    if (record.FileName.empty()) return false;
    auto found = m_index.find(key);
    if (found != m_index.end()) {
        *found->second = std::move(record);
        return true;
    }
    m_records.push_back(std::move(record));
    m_index.emplace(std::move(key), std::prev(m_records.end()));
    return true;
}

bool Store::Remove(const std::u16string& path) { return RemoveKeyed(PathKey(path)); }

bool Store::RemoveKeyed(const std::u16string& key) {
    auto found = m_index.find(key);
    if (found == m_index.end()) return false;
    m_records.erase(found->second);
    m_index.erase(found);
    return true;
}

const StoredRecord* Store::Find(const std::u16string& path) const { return FindKeyed(PathKey(path)); }

const StoredRecord* Store::FindKeyed(const std::u16string& key) const {
    auto found = m_index.find(key);
    return found == m_index.end() ? nullptr : &*found->second;
}

std::vector<uint8_t> Store::Encode() const {
    std::vector<uint8_t> payload;
    size_t units = 0;
    for (const StoredRecord& r : m_records)
        units += r.Folder.size() + r.FileName.size() + r.Text1.size() + r.Text2.size() + r.Text3.size() +
                 r.ShortText1.size() + r.ShortText2.size();
    payload.reserve(m_records.size() * (72 + 7 * 2) + units * 2);
    for (const StoredRecord& r : m_records) {
        PutU32(payload, r.MediaType);
        PutU32(payload, r.FileSize);
        for (DWORD v : r.Created) PutU32(payload, v);
        for (DWORD v : r.Modified) PutU32(payload, v);
        PutU32(payload, r.Number1);
        PutU32(payload, r.Number2);
        PutU32(payload, r.OrderNumber);
        PutU32(payload, r.LyricsFlag);
        for (const std::u16string* text : {&r.Folder, &r.FileName, &r.Text1, &r.Text2, &r.Text3, &r.ShortText1,
                                           &r.ShortText2})
            PutText(payload, *text);
    }
    std::vector<uint8_t> file(kMagic, kMagic + sizeof kMagic);
    PutU32(file, kVersion);
    PutU32(file, static_cast<uint32_t>(m_records.size()));
    PutU32(file, static_cast<uint32_t>(payload.size()));
    PutU32(file, Crc32(payload.data(), payload.size()));
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

bool Store::Decode(const uint8_t* data, size_t size) {
    Clear();
    if (size < kHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) return false;
    Reader header(data + sizeof kMagic, kHeaderSize - sizeof kMagic);
    uint32_t version = header.U32();
    uint32_t count = header.U32();
    uint32_t length = header.U32();
    uint32_t crc = header.U32();
    if (version != kVersion || length > kMaxPayload || length != size - kHeaderSize) return false;
    const uint8_t* payload = data + kHeaderSize;
    if (Crc32(payload, length) != crc) return false;

    Reader in(payload, length);
    // The smallest record takes 86 bytes: a count beyond what the payload can
    // hold is not believed when making room.
    Reserve(std::min<size_t>(count, length / 86));
    bool refused = false;
    for (uint32_t n = 0; n < count && in.Good() && !refused; ++n) {
        StoredRecord r;
        r.MediaType = in.U32();
        r.FileSize = in.U32();
        for (DWORD& v : r.Created) v = in.U32();
        for (DWORD& v : r.Modified) v = in.U32();
        r.Number1 = in.U32();
        r.Number2 = in.U32();
        r.OrderNumber = in.U32();
        r.LyricsFlag = in.U32();
        r.Folder = in.Text(ZEL_DBFOLDER - 1);
        r.FileName = in.Text(ZEL_DBFILENAME - 1);
        r.Text1 = in.Text(ZEL_DBTEXT - 1);
        r.Text2 = in.Text(ZEL_DBTEXT - 1);
        r.Text3 = in.Text(ZEL_DBTEXT - 1);
        r.ShortText1 = in.Text(ZEL_DBSHORTTEXT - 1);
        r.ShortText2 = in.Text(ZEL_DBSHORTTEXT - 1);
        if (in.Good()) refused = !Put(r);
    }
    // A record without a name or a path recorded twice is not something this library writes.
    if (refused || !in.Good() || !in.AtEnd() || m_records.size() != count) {
        Clear();
        return false;
    }
    return true;
}

}  // namespace zelplayerdb
