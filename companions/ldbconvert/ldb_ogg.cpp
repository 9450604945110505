// Lyrics of an Ogg Vorbis file: the LYRICS comment, laid out for the player, goes into
// the comment ZELLYRICS of a copy of the file. The copy is made beside the output and
// renamed onto it once TagLib has written it.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>

#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "ldb_convert.h"
#include "zelcompat/textfn.h"

namespace ldb {

bool ConvertOggFile(const std::string& source, const std::string& output, const PlayerSettings& settings) {
    std::u16string lyrics;
    {
        TagLib::Ogg::Vorbis::File file(source.c_str(), false);
        if (!file.isValid() || !file.tag()) return false;
        const TagLib::Ogg::FieldListMap& fields = file.tag()->fieldListMap();
        auto found = fields.find("LYRICS");
        if (found == fields.end()) return false;
        for (const TagLib::String& value : found->second) {
            lyrics = PlayerLyrics(ZelFromUtf8(value.to8Bit(true)), settings);
            if (!lyrics.empty()) break;
        }
    }
    if (lyrics.empty()) return false;

    static std::atomic<unsigned> counter{0};
    const std::string temp = output + ".ldbtmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    std::error_code error;
    if (!std::filesystem::copy_file(source, temp, std::filesystem::copy_options::overwrite_existing, error)) {
        return false;
    }
    bool written = false;
    {
        TagLib::Ogg::Vorbis::File copy(temp.c_str(), false);
        if (copy.isValid() && copy.tag()) {
            copy.tag()->addField(kOggField, TagLib::String(ZelToUtf8(lyrics), TagLib::String::UTF8), true);
            written = copy.save();
        }
    }
    if (written && std::rename(temp.c_str(), output.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

}  // namespace ldb
