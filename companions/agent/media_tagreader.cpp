// The tag reader: title, artist, album, genre, year, track and duration of a media
// file, read with TagLib, into the device's ZelTagAnswer.
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include <taglib/asffile.h>
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>

#include "ZELDevice/abi/AgentRoutines.h"
#include "media_asf.h"
#include "media_routines.h"
#include "media_util.h"
#include "zelcompat/textfn.h"

namespace zelagent {
namespace {

std::u16string Text(const TagLib::String& text) { return ZelFromUtf8(text.to8Bit(true)); }

std::u16string Decimal(unsigned value) {
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string Terminated(const WCHAR* field, size_t units) {
    size_t length = 0;
    while (length < units && field[length]) ++length;
    return std::u16string(field, length);
}

// TagLib reads as many attributes as an ASF header announces, from wherever the
// object claims to reach: a damaged header of a few hundred bytes keeps it busy
// for seconds and takes hundreds of megabytes. A header whose objects and
// attribute lists do not fit where they stand is not handed to it.
bool SoundAsfHeader(const std::string& host) {
    zelmedia::AsfHeader header;
    if (!zelmedia::ReadAsfHeaderFile(host, header)) return false;
    for (const zelmedia::AsfObject& object : header.objects) {
        std::vector<zelmedia::AsfAttribute> attributes;
        if (object.guid == zelmedia::kAsfExtendedContentDescription && !zelmedia::ParseAsfAttributes(object, attributes))
            return false;
    }
    return true;
}

// A file TagLib reads through a stream opened for reading only: TagLib on its
// own opens a file for writing first, which costs a second open and asks for
// write access to a file that is only read.
struct OpenedFile {
    std::unique_ptr<TagLib::FileStream> stream;
    std::unique_ptr<TagLib::File> file;  // declared after the stream: destroyed before it
};

OpenedFile Open(const std::string& host, MediaKind kind) {
    const auto style = TagLib::AudioProperties::Average;
    OpenedFile opened;
    if (kind == MediaKind::Unknown) {
        // Other formats TagLib knows, chosen by the file's extension.
        opened.file.reset(TagLib::FileRef::create(host.c_str(), true, style));
        return opened;
    }
    if (kind == MediaKind::Asf && !SoundAsfHeader(host)) return opened;
    opened.stream = std::make_unique<TagLib::FileStream>(host.c_str(), true);
    if (!opened.stream->isOpen()) return opened;
    TagLib::IOStream* stream = opened.stream.get();
    switch (kind) {
        case MediaKind::Mp3:
            opened.file = std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), true, style);
            break;
        case MediaKind::Asf: opened.file = std::make_unique<TagLib::ASF::File>(stream, true, style); break;
        case MediaKind::OggVorbis: opened.file = std::make_unique<TagLib::Ogg::Vorbis::File>(stream, true, style); break;
        case MediaKind::Unknown: break;
    }
    return opened;
}

// The kind follows the class TagLib opened the file with, so that an MP3 file whose
// first bytes are not a tag or a frame still counts as MP3.
DWORD KindOf(const std::string& host, const TagLib::File* file) {
    if (dynamic_cast<const TagLib::MPEG::File*>(file)) return ZEL_TAGKIND_MP3;
    if (dynamic_cast<const TagLib::Ogg::Vorbis::File*>(file)) return ZEL_TAGKIND_OGG;
    if (dynamic_cast<const TagLib::ASF::File*>(file)) {
        zelmedia::AsfHeader header;
        bool video = zelmedia::ReadAsfHeaderFile(host, header) && zelmedia::AsfHasVideoStream(header);
        return video ? ZEL_TAGKIND_ASF_VIDEO : ZEL_TAGKIND_ASF_AUDIO;
    }
    return ZEL_TAGKIND_OTHER;
}

}  // namespace

int ReadFileInfo(ZelTagAnswer* answer, const ZelTagRequest* /*request*/, LPCWSTR path, DWORD answerSize) {
    // The request's device identifiers and key matter only to readers of protected
    // files; this reader reads open tags.
    if (!answer || answerSize < sizeof(ZelTagAnswer)) return 0;
    std::u16string windowsPath = (path && *path) ? std::u16string(path) : Terminated(answer->Path, ZEL_TAG_PATH_UNITS);
    if (windowsPath.empty()) return 0;
    if (answer->Path[0] == 0) CopyField(answer->Path, ZEL_TAG_PATH_UNITS, windowsPath);

    const std::string host = HostPath(windowsPath.c_str());
    struct stat info;
    if (host.empty() || stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    answer->FileSize = info.st_size > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<DWORD>(info.st_size);

    const OpenedFile opened = Open(host, SniffMedia(host));
    const TagLib::File* file = opened.file.get();
    if (!file || !file->isValid()) return 0;
    answer->Kind = KindOf(host, file);

    if (const TagLib::Tag* tag = file->tag()) {
        CopyField(answer->Title, ZEL_TAG_LONG_UNITS, Text(tag->title()));
        CopyField(answer->Artist, ZEL_TAG_LONG_UNITS, Text(tag->artist()));
        CopyField(answer->Album, ZEL_TAG_LONG_UNITS, Text(tag->album()));
        CopyField(answer->Genre, ZEL_TAG_SHORT_UNITS, Text(tag->genre()));
        CopyField(answer->Year, ZEL_TAG_SHORT_UNITS, tag->year() ? Decimal(tag->year()) : std::u16string());
        answer->Number1 = tag->track();
        answer->OrderNumber = tag->track();
    }
    if (const TagLib::AudioProperties* properties = file->audioProperties()) {
        answer->Number2 = static_cast<DWORD>(properties->lengthInSeconds());
        answer->Bitrate = static_cast<DWORD>(properties->bitrate());
        answer->SampleRate = static_cast<DWORD>(properties->sampleRate());
        answer->Channels = static_cast<DWORD>(properties->channels());
    }
    return 1;
}

int ReleaseTrack(void* /*reserved*/) {
    // Every read releases what it opened before it returns.
    return 1;
}

}  // namespace zelagent
