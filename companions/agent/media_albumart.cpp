// Album art routines: scaling the front cover of a file into a copy, and removing or
// scaling the pictures of an ID3v2 tag block in memory.
#include <cstring>
#include <memory>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
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

bool ResizeMp3Cover(const std::string& path, int width, int height) {
    TagLib::MPEG::File file(path.c_str(), false);
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

    // The copy is edited beside the target and renamed onto it only when complete.
    SiblingTemp temp(to);
    if (!temp.CopyFrom(from)) return 0;
    bool resized = false;
    switch (kind) {
        case MediaKind::Mp3: resized = ResizeMp3Cover(temp.Path(), width, height); break;
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
