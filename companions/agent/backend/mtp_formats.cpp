// Object formats of files by their extension.
#include <string>

#include "mtp_backend.h"
#include "zelcompat/textfn.h"

namespace zelmtp {

uint16_t FormatOfName(const std::u16string& name) {
    static const struct {
        const char16_t* extension;
        uint16_t format;
    } kTable[] = {
        {u"MP3", kFormatMp3}, {u"WMA", kFormatWma}, {u"OGG", kFormatOgg}, {u"WAV", kFormatWav},
        {u"WMV", kFormatWmv}, {u"AVI", kFormatAvi}, {u"MPG", kFormatMpeg}, {u"MPEG", kFormatMpeg},
        {u"ASF", kFormatAsf}, {u"JPG", kFormatJpeg}, {u"JPEG", kFormatJpeg}, {u"BMP", kFormatBmp},
        {u"GIF", kFormatGif}, {u"PNG", kFormatPng}, {u"TXT", kFormatText}, {u"PLA", kFormatPlaylist},
    };
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) return kFormatUndefined;
    std::u16string extension = name.substr(dot + 1);
    for (char16_t& unit : extension) unit = ZelToUpper(unit);
    for (const auto& row : kTable)
        if (extension == row.extension) return row.format;
    return kFormatUndefined;
}

}  // namespace zelmtp
