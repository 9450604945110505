// The lines of an MTP player's firmware description file.
#include <vector>

#include "internal/MtpFirmwareText.h"
#include "zelcompat/textfn.h"

namespace zelmtpdevice {
namespace {

constexpr int kMostDigits = 3;

// One line as the device matches it: converted from the system's code page,
// cut to the bytes a line holds, upper-cased.
CString LineText(const char* data, size_t length) {
    if (length > kFirmwareLineBytes) length = kFirmwareLineBytes;
    WCHAR units[kFirmwareLineBytes + 1] = {};
    const int converted =
        MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), units, static_cast<int>(kFirmwareLineBytes));
    CString line(units, converted > 0 ? converted : 0);
    line.MakeUpper();
    return line;
}

std::vector<CString> Lines(const char* data, size_t length) {
    std::vector<CString> lines;
    size_t start = 0;
    for (size_t k = 0; k < length; ++k) {
        if (data[k] != '\n') continue;
        lines.push_back(LineText(data + start, k - start));
        start = k + 1;
    }
    if (lines.empty() && length > 0) lines.push_back(LineText(data, length));
    return lines;
}

// The number the leading decimal digits of text make (at most kMostDigits of them).
DWORD Number(const CString& text) {
    DWORD value = 0;
    for (int k = 0; k < text.GetLength() && k < kMostDigits && text[k] >= u'0' && text[k] <= u'9'; ++k)
        value = value * 10 + static_cast<DWORD>(text[k] - u'0');
    return value;
}

// "VER <major>.<minor> <region>", after one separator.
void ReadVersion(const CString& line, FirmwareDescription& description) {
    const CString rest = line.Mid(4);
    const int dot = rest.Find(u'.');
    const CString afterDot = dot >= 0 ? rest.Mid(dot + 1) : CString();
    const int space = afterDot.Find(u' ');
    description.major = dot >= 0 ? Number(rest.Left(dot)) : 0;
    description.minor = space >= 0 ? Number(afterDot.Left(space)) : 0;
    description.region = space >= 0 ? afterDot.Mid(space + 1, 2) : CString();
    description.hasVersion = true;
}

}  // namespace

FirmwareDescription ReadFirmwareDescription(const char* data, size_t length) {
    FirmwareDescription description;
    if (data == nullptr) return description;
    if (length > kFirmwareTextBytes) length = kFirmwareTextBytes;
    for (const CString& line : Lines(data, length)) {
        if (line.Left(3) == u"VER") {
            ReadVersion(line, description);
        } else if (line.Left(4) == u"FWUP") {
            description.updateId = line.Mid(5, 5);
            description.hasUpdate = true;
        }
    }
    return description;
}

BOOL StoreFirmwareDescription(const FirmwareDescription& description, tagDeviceSettings& settings) {
    if (description.hasVersion) {
        settings.FWMajor = description.major;
        settings.FWMinor = description.minor;
        lstrcpynW(settings.FWRegion, description.region, sizeof settings.FWRegion / sizeof(WCHAR));
    }
    if (description.hasUpdate)
        lstrcpynW(settings.FWUpdateID, description.updateId, sizeof settings.FWUpdateID / sizeof(WCHAR));
    return description.hasVersion ? 1 : 0;
}

}  // namespace zelmtpdevice
