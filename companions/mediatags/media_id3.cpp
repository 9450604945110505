// ID3v2 tag blocks: parsing into byte-exact frames and writing them back.
#include "media_id3.h"

#include "zelcompat/textfn.h"

namespace zelmedia {
namespace {

constexpr size_t kHeaderSize = 10;

uint32_t Synchsafe(const uint8_t* p) {
    return (uint32_t{p[0]} << 21) | (uint32_t{p[1]} << 14) | (uint32_t{p[2]} << 7) | uint32_t{p[3]};
}
uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
void PutSynchsafe(Bytes& out, uint32_t v) {
    for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<uint8_t>((v >> shift) & 0x7F));
}

// Undoes unsynchronisation: every 0xFF 0x00 pair loses its 0x00.
Bytes Resynchronise(const uint8_t* data, size_t size) {
    Bytes out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00) ++i;
    }
    return out;
}

bool ValidFrameId(const uint8_t* p, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (!((p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= '0' && p[i] <= '9'))) return false;
    }
    return true;
}

size_t FrameHeaderSize(int major) { return major == 2 ? 6 : 10; }

}  // namespace

size_t Id3BlockSize(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderSize || data[0] != 'I' || data[1] != 'D' || data[2] != '3') return 0;
    for (int i = 6; i < 10; ++i) {
        if (data[i] & 0x80) return 0;
    }
    size_t footer = (data[3] == 4 && (data[5] & 0x10)) ? kHeaderSize : 0;
    return kHeaderSize + Synchsafe(data + 6) + footer;
}

Id3Result ParseId3Tag(const uint8_t* data, size_t size, Id3Tag& tag) {
    tag = Id3Tag{};
    if (!data || size < kHeaderSize || data[0] != 'I' || data[1] != 'D' || data[2] != '3') return Id3Result::NotATag;
    const int major = data[3];
    const uint8_t flags = data[5];
    if (major < 2 || major > 4 || data[4] == 0xFF) return Id3Result::Unsupported;
    for (int i = 6; i < 10; ++i) {
        if (data[i] & 0x80) return Id3Result::Malformed;
    }
    if (major == 2 && (flags & 0x40)) return Id3Result::Unsupported;  // v2.2 compression
    const size_t block = Id3BlockSize(data, size);
    if (block > size) return Id3Result::Malformed;
    const size_t bodySize = Synchsafe(data + 6);

    Bytes body = (major < 4 && (flags & 0x80)) ? Resynchronise(data + kHeaderSize, bodySize)
                                                : Bytes(data + kHeaderSize, data + kHeaderSize + bodySize);
    size_t pos = 0;
    if (major >= 3 && (flags & 0x40)) {
        if (body.size() < 4) return Id3Result::Malformed;
        size_t extended = major == 3 ? Be32(body.data()) + 4 : Synchsafe(body.data());
        if (extended > body.size()) return Id3Result::Malformed;
        pos = extended;
    }

    tag.major = major;
    tag.revision = data[4];
    tag.flags = static_cast<uint8_t>(flags & ~0xC0);
    const size_t headerSize = FrameHeaderSize(major);
    const size_t idLength = major == 2 ? 3 : 4;
    while (pos + headerSize <= body.size()) {
        const uint8_t* p = body.data() + pos;
        if (p[0] == 0 || !ValidFrameId(p, idLength)) break;  // padding (or junk treated as such)
        size_t frameSize;
        if (major == 2) {
            frameSize = (size_t{p[3]} << 16) | (size_t{p[4]} << 8) | p[5];
        } else if (major == 3 || (p[4] | p[5] | p[6] | p[7]) & 0x80) {
            frameSize = Be32(p + 4);  // v2.4 writers that forgot the synchsafe form
        } else {
            frameSize = Synchsafe(p + 4);
        }
        if (frameSize > body.size() - pos - headerSize) return Id3Result::Malformed;
        Id3Frame frame;
        frame.id.assign(reinterpret_cast<const char*>(p), idLength);
        frame.flags = major == 2 ? 0 : static_cast<uint16_t>(p[8] << 8 | p[9]);
        frame.raw.assign(p, p + headerSize + frameSize);
        if (major == 4 && (flags & 0x80) && !(frame.flags & 0x0002)) {
            // The tag-wide flag is not written back, so each frame says it itself.
            frame.flags |= 0x0002;
            frame.raw[9] |= 0x02;
        }
        tag.frames.push_back(std::move(frame));
        pos += headerSize + frameSize;
    }
    tag.padding = body.size() - pos;
    return Id3Result::Ok;
}

bool Id3FrameContent(const Id3Tag& tag, const Id3Frame& frame, Bytes& content) {
    size_t start = FrameHeaderSize(tag.major);
    bool unsynchronised = false;
    if (tag.major == 3) {
        if (frame.flags & 0x00C0) return false;  // compressed or encrypted
        if (frame.flags & 0x0020) start += 1;    // group identifier
    } else if (tag.major == 4) {
        if (frame.flags & 0x000C) return false;
        if (frame.flags & 0x0040) start += 1;
        if (frame.flags & 0x0001) start += 4;    // data length indicator
        unsynchronised = (frame.flags & 0x0002) != 0;
    }
    if (start > frame.raw.size()) return false;
    if (unsynchronised) {
        content = Resynchronise(frame.raw.data() + start, frame.raw.size() - start);
    } else {
        content.assign(frame.raw.begin() + static_cast<long>(start), frame.raw.end());
    }
    return true;
}

Id3Frame MakeId3Frame(const Id3Tag& tag, const std::string& id, const Bytes& content, uint16_t statusFlags) {
    Id3Frame frame;
    frame.id = id;
    const uint32_t size = static_cast<uint32_t>(content.size());
    frame.raw.assign(id.begin(), id.end());
    if (tag.major == 2) {
        frame.raw.push_back(static_cast<uint8_t>(size >> 16));
        frame.raw.push_back(static_cast<uint8_t>(size >> 8));
        frame.raw.push_back(static_cast<uint8_t>(size));
    } else {
        if (tag.major == 4) {
            PutSynchsafe(frame.raw, size);
            frame.flags = statusFlags & 0x7000;
        } else {
            for (int shift = 24; shift >= 0; shift -= 8) frame.raw.push_back(static_cast<uint8_t>(size >> shift));
            frame.flags = statusFlags & 0xE000;
        }
        frame.raw.push_back(static_cast<uint8_t>(frame.flags >> 8));
        frame.raw.push_back(static_cast<uint8_t>(frame.flags));
    }
    frame.raw.insert(frame.raw.end(), content.begin(), content.end());
    return frame;
}

bool RenderId3Tag(const Id3Tag& tag, size_t limit, Bytes& out, size_t minimumSize) {
    size_t framesSize = 0;
    for (const Id3Frame& frame : tag.frames) framesSize += frame.raw.size();
    const bool footer = tag.major == 4 && (tag.flags & 0x10);
    const size_t fixed = kHeaderSize + framesSize + (footer ? kHeaderSize : 0);
    size_t padding = footer ? 0 : tag.padding;  // a tag with a footer has no padding
    if (!footer && minimumSize > fixed + padding) padding = minimumSize - fixed;
    if (limit != 0 && fixed + padding > limit) {
        if (fixed > limit) return false;
        padding = limit - fixed;
    }
    const size_t bodySize = framesSize + padding;
    if (bodySize >= (size_t{1} << 28)) return false;

    out.clear();
    out.reserve(fixed + padding);
    const uint8_t header[6] = {'I', 'D', '3', static_cast<uint8_t>(tag.major), tag.revision, tag.flags};
    out.insert(out.end(), header, header + 6);
    PutSynchsafe(out, static_cast<uint32_t>(bodySize));
    for (const Id3Frame& frame : tag.frames) out.insert(out.end(), frame.raw.begin(), frame.raw.end());
    out.resize(out.size() + padding, 0);
    if (footer) {
        out.insert(out.end(), {'3', 'D', 'I', static_cast<uint8_t>(tag.major), tag.revision, tag.flags});
        PutSynchsafe(out, static_cast<uint32_t>(bodySize));
    }
    return true;
}

std::u16string Id3ReadText(const Bytes& content, size_t& pos, uint8_t encoding) {
    std::u16string text;
    if (pos >= content.size()) return text;
    if (encoding == 1 || encoding == 2) {
        size_t end = pos;
        while (end + 1 < content.size() && !(content[end] == 0 && content[end + 1] == 0)) end += 2;
        // Unterminated text runs to the last whole unit.
        const bool terminated = end + 1 < content.size();
        bool bigEndian = encoding == 2;
        size_t i = pos;
        if (i + 2 <= end && content[i] == 0xFF && content[i + 1] == 0xFE) {
            bigEndian = false;
            i += 2;
        } else if (i + 2 <= end && content[i] == 0xFE && content[i + 1] == 0xFF) {
            bigEndian = true;
            i += 2;
        }
        for (; i + 2 <= end; i += 2) {
            text.push_back(bigEndian ? static_cast<char16_t>(content[i] << 8 | content[i + 1])
                                     : static_cast<char16_t>(content[i + 1] << 8 | content[i]));
        }
        pos = terminated ? end + 2 : content.size();
        return text;
    }
    size_t end = pos;
    while (end < content.size() && content[end] != 0) ++end;
    if (encoding == 3) {
        text = ZelFromUtf8(std::string(content.begin() + static_cast<long>(pos), content.begin() + static_cast<long>(end)));
        if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    } else {
        for (size_t i = pos; i < end; ++i) text.push_back(static_cast<char16_t>(content[i]));
    }
    pos = end < content.size() ? end + 1 : content.size();
    return text;
}

Bytes Id3Utf16Text(const std::u16string& text, bool terminate) {
    Bytes out{0xFF, 0xFE};
    for (char16_t unit : text) {
        out.push_back(static_cast<uint8_t>(unit));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (terminate) out.insert(out.end(), {0, 0});
    return out;
}

bool Id3ParsePicture(const Id3Tag& tag, const Bytes& content, Id3Picture& picture) {
    if (content.empty()) return false;
    const uint8_t encoding = content[0];
    size_t pos = 1;
    if (tag.major == 2) {
        pos += 3;  // image format, e.g. "JPG"
    } else {
        while (pos < content.size() && content[pos] != 0) ++pos;  // MIME type
        ++pos;
    }
    if (pos >= content.size()) return false;
    picture.type = content[pos++];
    Id3ReadText(content, pos, encoding);  // description
    if (pos > content.size()) return false;
    picture.dataOffset = pos;
    return true;
}

}  // namespace zelmedia
