// Album art routines: scaling the front cover of a file into a copy, and removing or
// scaling the pictures of an ID3v2 tag block in memory.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "media_id3.h"
#include "media_image.h"
#include "media_paths.h"
#include "media_routines.h"
#include "media_util.h"

namespace zelagent {
namespace {

using zelmedia::Id3Frame;
using zelmedia::Id3Tag;

bool SizeAllowed(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

bool Resize(const TagLib::ByteVector& picture, int width, int height, TagLib::ByteVector& out) {
    Bytes scaled;
    if (!ResizePicture(reinterpret_cast<const uint8_t*>(picture.data()), picture.size(), width, height, scaled)) {
        return false;
    }
    out = TagLib::ByteVector(reinterpret_cast<const char*>(scaled.data()), static_cast<unsigned>(scaled.size()));
    return true;
}

// Index of the front cover in a list of picture types, else 0 (the first picture).
template <typename List, typename TypeOf>
size_t CoverIndex(const List& list, TypeOf typeOf) {
    size_t index = 0;
    for (auto it = list.begin(); it != list.end(); ++it, ++index) {
        if (typeOf(*it) == 3) return index;
    }
    return 0;
}

// Scales the front cover (else the first picture) of an MP3 opened by TagLib and saves it.
bool ResizeMp3Cover(TagLib::MPEG::File& file, int width, int height) {
    if (!file.isValid() || !file.hasID3v2Tag()) return false;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    const TagLib::ID3v2::FrameList& frames = tag->frameList("APIC");
    if (frames.isEmpty()) return false;
    size_t index = CoverIndex(frames, [](TagLib::ID3v2::Frame* frame) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        return picture ? static_cast<int>(picture->type()) : -1;
    });
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frames[static_cast<unsigned>(index)]);
    TagLib::ByteVector scaled;
    if (!picture || !Resize(picture->picture(), width, height, scaled)) return false;
    picture->setPicture(scaled);
    const auto version = tag->header()->majorVersion() == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate);
}

// The same on a file in memory, which then holds the edited file.
bool ResizeMp3Cover(TagLib::ByteVector& bytes, int width, int height) {
    TagLib::ByteVectorStream stream(bytes);
    {
        TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!ResizeMp3Cover(file, width, height)) return false;
    }
    bytes = *stream.data();
    return true;
}

bool ResizeAsfCover(const std::string& path, int width, int height) {
    TagLib::ASF::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()->contains("WM/Picture")) return false;
    TagLib::ASF::AttributeList pictures = file.tag()->attribute("WM/Picture");
    size_t index = CoverIndex(pictures, [](const TagLib::ASF::Attribute& attribute) {
        return static_cast<int>(attribute.toPicture().type());
    });
    TagLib::ASF::Picture picture = pictures[static_cast<unsigned>(index)].toPicture();
    TagLib::ByteVector scaled;
    if (!picture.isValid() || !Resize(picture.picture(), width, height, scaled)) return false;
    picture.setPicture(scaled);
    pictures[static_cast<unsigned>(index)] = TagLib::ASF::Attribute(picture);
    file.tag()->setAttribute("WM/Picture", pictures);
    return file.save();
}

bool ResizeOggCover(const std::string& path, int width, int height) {
    TagLib::Ogg::Vorbis::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) return false;
    TagLib::Ogg::XiphComment* comment = file.tag();
    // The comment owns its pictures: the new list is built from copies first. The
    // comment's own list must not be shared while it is cleared (TagLib would then
    // stop owning what is added afterwards), hence the scope.
    std::vector<std::unique_ptr<TagLib::FLAC::Picture>> copies;
    size_t index = 0;
    {
        const TagLib::List<TagLib::FLAC::Picture*> pictures = comment->pictureList();
        if (pictures.isEmpty()) return false;
        index = CoverIndex(pictures, [](const TagLib::FLAC::Picture* p) { return static_cast<int>(p->type()); });
        for (const TagLib::FLAC::Picture* original : pictures) {
            copies.push_back(std::make_unique<TagLib::FLAC::Picture>(original->render()));
        }
    }
    TagLib::FLAC::Picture& cover = *copies[index];
    TagLib::ByteVector scaled;
    if (!Resize(cover.data(), width, height, scaled)) return false;
    cover.setData(scaled);
    cover.setWidth(width);
    cover.setHeight(height);
    comment->removeAllPictures();
    for (auto& copy : copies) comment->addPicture(copy.release());
    return file.save();
}

// Largest MP3 edited in memory; a larger one is edited in a copy on disk.
constexpr std::streamoff kLargestEditedInMemory = 64 << 20;

// True when tag, the whole ID3v2 tag at the start of an MP3, parses and holds no
// picture frame: the file certainly has no cover to scale. Anything less clear
// is left to TagLib.
bool TagHoldsNoPicture(const zelmedia::Bytes& bytes) {
    Id3Tag tag;
    if (zelmedia::ParseId3Tag(bytes.data(), bytes.size(), tag) != zelmedia::Id3Result::Ok) return false;
    return std::none_of(tag.frames.begin(), tag.frames.end(),
                        [&](const Id3Frame& frame) { return zelmedia::Id3IsPictureFrame(tag, frame); });
}

enum class Mp3Read { NoPicture, Whole, TooLarge, Failed };

// Reads an MP3 whole, unless its tag shows at once that it has no picture (then
// only the tag is read) or it is too large to edit in memory.
Mp3Read ReadMp3(const std::string& path, TagLib::ByteVector& file) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 10 || !in.seekg(0)) return Mp3Read::Failed;
    zelmedia::Bytes head(10);
    if (!in.read(reinterpret_cast<char*>(head.data()), 10)) return Mp3Read::Failed;
    const auto block = static_cast<std::streamoff>(zelmedia::Id3BlockSize(head.data(), head.size()));
    if (block > 10 && block <= size && block <= kLargestEditedInMemory) {
        head.resize(static_cast<size_t>(block));
        if (!in.read(reinterpret_cast<char*>(head.data() + 10), static_cast<std::streamsize>(block - 10))) {
            return Mp3Read::Failed;
        }
        if (TagHoldsNoPicture(head)) return Mp3Read::NoPicture;
    }
    if (size > kLargestEditedInMemory) return Mp3Read::TooLarge;
    file.resize(static_cast<unsigned>(size));
    std::copy(head.begin(), head.end(), file.data());
    const std::streamsize rest = static_cast<std::streamsize>(size) - static_cast<std::streamsize>(head.size());
    return in.read(file.data() + head.size(), rest) ? Mp3Read::Whole : Mp3Read::Failed;
}

bool WriteWholeFile(const std::string& path, const TagLib::ByteVector& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    return !out.fail();
}

// The picture frame to scale: the front cover, else the first picture.
int CoverFrame(const Id3Tag& tag) {
    int first = -1;
    for (size_t i = 0; i < tag.frames.size(); ++i) {
        if (!zelmedia::Id3IsPictureFrame(tag, tag.frames[i])) continue;
        zelmedia::Bytes content;
        zelmedia::Id3Picture picture;
        if (!zelmedia::Id3FrameContent(tag, tag.frames[i], content) || !zelmedia::Id3ParsePicture(tag, content, picture)) {
            continue;
        }
        if (picture.type == 3) return static_cast<int>(i);
        if (first < 0) first = static_cast<int>(i);
    }
    return first;
}

}  // namespace

int ResizeAlbumImage(LPCWSTR source, LPCWSTR target, int width, int height) {
    if (!SizeAllowed(width, height)) return 0;
    const std::string from = HostPath(source), to = zelmedia::HostPathForWriting(target);
    if (from.empty() || to.empty()) return 0;
    const MediaKind kind = SniffMedia(from);
    if (kind == MediaKind::Unknown) return 0;

    // The copy is written beside the target and renamed onto it only when complete.
    SiblingTemp temp(to);
    if (kind == MediaKind::Mp3) {
        // An MP3 is edited in memory and written once.
        TagLib::ByteVector bytes;
        switch (ReadMp3(from, bytes)) {
            case Mp3Read::Whole:
                return ResizeMp3Cover(bytes, width, height) && WriteWholeFile(temp.Path(), bytes) && temp.Commit() ? 1 : 0;
            case Mp3Read::TooLarge: break;
            case Mp3Read::NoPicture:
            case Mp3Read::Failed: return 0;
        }
    }
    if (!temp.CopyFrom(from)) return 0;
    bool resized = false;
    switch (kind) {
        case MediaKind::Mp3: {
            TagLib::MPEG::File file(temp.Path().c_str(), false);
            resized = ResizeMp3Cover(file, width, height);
            break;
        }
        case MediaKind::Asf: resized = ResizeAsfCover(temp.Path(), width, height); break;
        case MediaKind::OggVorbis: resized = ResizeOggCover(temp.Path(), width, height); break;
        case MediaKind::Unknown: break;
    }
    return resized && temp.Commit() ? 1 : 0;
}

int DeleteAlbumImage(const BYTE* tagIn, BYTE* tagOut, DWORD* length) {
    if (!tagIn || !tagOut || !length) return 0;
    Id3Tag tag;
    if (zelmedia::ParseId3Tag(tagIn, *length, tag) != zelmedia::Id3Result::Ok) return 0;
    const size_t before = tag.frames.size();
    std::erase_if(tag.frames, [&](const Id3Frame& frame) { return zelmedia::Id3IsPictureFrame(tag, frame); });
    if (tag.frames.size() == before) return 0;
    zelmedia::Bytes out;
    if (!zelmedia::RenderId3Tag(tag, *length, out)) return 0;
    std::memmove(tagOut, out.data(), out.size());
    *length = static_cast<DWORD>(out.size());
    return 1;
}

int ResizeAlbumImageInMemory(const BYTE* tagIn, BYTE* tagOut, DWORD* length, int width, int height) {
    if (!tagIn || !tagOut || !length || !SizeAllowed(width, height)) return 0;
    Id3Tag tag;
    if (zelmedia::ParseId3Tag(tagIn, *length, tag) != zelmedia::Id3Result::Ok) return 0;
    const int index = CoverFrame(tag);
    if (index < 0) return 0;
    Id3Frame& frame = tag.frames[static_cast<size_t>(index)];
    zelmedia::Bytes content;
    zelmedia::Id3Picture picture;
    if (!zelmedia::Id3FrameContent(tag, frame, content) || !zelmedia::Id3ParsePicture(tag, content, picture)) return 0;
    Bytes scaled;
    if (!ResizePicture(content.data() + picture.dataOffset, content.size() - picture.dataOffset, width, height, scaled)) {
        return 0;
    }
    content.resize(picture.dataOffset);
    content.insert(content.end(), scaled.begin(), scaled.end());
    frame = zelmedia::MakeId3Frame(tag, frame.id, content, frame.flags);
    zelmedia::Bytes out;
    if (!zelmedia::RenderId3Tag(tag, *length, out)) return 0;
    std::memmove(tagOut, out.data(), out.size());
    *length = static_cast<DWORD>(out.size());
    return 1;
}

}  // namespace zelagent
