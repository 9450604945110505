// The mood writer: stores a mood class (1..4) in a file's tag.
//   MP3        ID3v2 TXXX frame described "MOOD" (the tag keeps its version; a new tag is v2.3)
//   WMA/WMV    attribute "WM/Mood"
//   Ogg Vorbis comment "MOOD"
//   others     the "MOOD" property, where TagLib can write one
// The value is the class as one decimal digit.
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "media_routines.h"
#include "media_util.h"

namespace zelagent {
namespace {

bool WriteMp3Mood(const std::string& path, const TagLib::String& value) {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid()) return false;
    const bool hadTag = file.hasID3v2Tag();
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    const TagLib::ID3v2::FrameList existing = tag->frameList("TXXX");
    for (TagLib::ID3v2::Frame* frame : existing) {
        auto* text = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
        if (text && text->description().upper() == "MOOD") tag->removeFrame(frame);
    }
    auto* mood = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
    mood->setDescription("MOOD");
    mood->setText(value);
    tag->addFrame(mood);
    const auto version = (!hadTag || tag->header()->majorVersion() == 3) ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate);
}

bool WriteAsfMood(const std::string& path, const TagLib::String& value) {
    TagLib::ASF::File file(path.c_str(), false);
    if (!file.isValid()) return false;
    file.tag()->setAttribute("WM/Mood", TagLib::ASF::Attribute(value));
    return file.save();
}

bool WriteOggMood(const std::string& path, const TagLib::String& value) {
    TagLib::Ogg::Vorbis::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) return false;
    file.tag()->addField("MOOD", value, true);
    return file.save();
}

bool WriteOtherMood(const std::string& path, const TagLib::String& value) {
    TagLib::FileRef ref(path.c_str(), false);
    if (ref.isNull()) return false;
    TagLib::PropertyMap properties = ref.file()->properties();
    properties.replace("MOOD", TagLib::StringList(value));
    const TagLib::PropertyMap rejected = ref.file()->setProperties(properties);
    return !rejected.contains("MOOD") && ref.save();
}

}  // namespace

int AddMoodInfo(LPCWSTR path, UINT moodClass) {
    if (moodClass < 1 || moodClass > 4) return 0;
    const std::string host = HostPath(path);
    if (host.empty()) return 0;
    const TagLib::String value = TagLib::String::number(static_cast<int>(moodClass));
    switch (SniffMedia(host)) {
        case MediaKind::Mp3: return WriteMp3Mood(host, value) ? 1 : 0;
        case MediaKind::Asf: return WriteAsfMood(host, value) ? 1 : 0;
        case MediaKind::OggVorbis: return WriteOggMood(host, value) ? 1 : 0;
        case MediaKind::Unknown: break;
    }
    return WriteOtherMood(host, value) ? 1 : 0;
}

}  // namespace zelagent
