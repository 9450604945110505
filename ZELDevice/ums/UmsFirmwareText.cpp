// The mass-storage rule for the lines of a firmware description (SYSTEM.VER).
#include <vector>

#include "internal/CoreText.h"
#include "internal/FirmwareDescription.h"
#include "ZELDevice/abi/Codes.h"
#include "zelcompat/textfn.h"

namespace {

constexpr int kMostLineUnits = 40;

// The lines of the data: each ends at a line feed; what follows the last line
// feed is dropped, unless there is none at all.
std::vector<CString> SplitLines(const char* data, DWORD length) {
    std::vector<CString> lines;
    DWORD start = 0;
    auto add = [&lines, data](DWORD from, DWORD to) {
        // A line is converted whole and then cut, so that a long line keeps its beginning.
        WCHAR line[zelums::kFirmwareDescriptionBytes + 1] = {};
        int units = MultiByteToWideChar(CP_ACP, 0, data + from, static_cast<int>(to - from), line,
                                        zelums::kFirmwareDescriptionBytes);
        lines.emplace_back(line, units < 0 ? 0 : units > kMostLineUnits ? kMostLineUnits : units);
    };
    for (DWORD k = 0; k < length; ++k) {
        if (data[k] != '\n') continue;
        add(start, k);
        start = k + 1;
    }
    if (lines.empty() && length > 0) add(0, length);
    return lines;
}

// Where a region code is stored under another name.
CString MappedRegion(const CString& region) {
    if (region == u"WA") return u"ET";
    if (region == u"CN") return u"CH";
    return region;
}

}  // namespace

namespace zelums {

BOOL ReadFirmwareDescription(const char* data, DWORD length, tagDeviceSettings& settings) {
    if (length > kFirmwareDescriptionBytes) length = kFirmwareDescriptionBytes;
    BOOL readVersion = 0;
    for (const CString& line : SplitLines(data, length)) {
        if (line.Left(3) == u"VER") {
            // "VER <major>.<minor> <region>": the minor number has at most two digits.
            CString rest = line.Mid(4);
            int dot = rest.Find(u'.');
            settings.FWMajor = static_cast<DWORD>(StrToIntW(dot >= 0 ? rest.Left(dot) : rest));
            rest = dot >= 0 ? rest.Mid(dot + 1) : CString();
            int space = rest.Find(u' ');
            settings.FWMinor = static_cast<DWORD>(StrToIntW(space >= 0 && space <= 2 ? rest.Left(space) : rest.Left(2)));
            rest = space >= 0 ? rest.Mid(space + 1) : CString();
            lstrcpynW(settings.FWRegion, MappedRegion(rest.Left(2)), 6);
            readVersion = 1;
            if (zelcore::FixedText(settings.ModelName) == u"TX-D4" && zelcore::FixedText(settings.FWRegion) == u"KR" &&
                settings.FWMajor >= 1 && settings.FWMinor >= 50)
                settings.Capabilities |= ZEL_CAP_FW_LEVEL;
        } else if (line.Left(4) == u"FWUP") {
            lstrcpynW(settings.FWUpdateID, line.Mid(5, 5), 8);
        }
    }
    return readVersion;
}

}  // namespace zelums
