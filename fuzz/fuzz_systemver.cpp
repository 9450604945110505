// Feeds arbitrary bytes to the firmware description rules (SYSTEM.VER) of the
// device classes. Each rule reads at most the first 100 bytes into the
// firmware fields of a device settings record; whatever the text, every field
// stays zero-terminated within its size, the region keeps at most two units,
// the update code at most five, and the rule answers 0 or 1.
//
// Each device class reads the lines by its own rule (the mass-storage rule and
// the MTP player's 19-byte lines); each joins the table below as a function
// over (data, length, settings).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ZELDevice/abi/Codes.h"
#include "ZELDevice/abi/Records.h"
#include "fuzz_support.h"
#include "internal/FirmwareDescription.h"
#include "internal/MtpFirmwareText.h"
#include "zelcompat/textfn.h"

namespace {

// The MTP player's rule, its fields stored into the settings by the device's own step.
BOOL ReadMtpDescription(const char* data, DWORD length, tagDeviceSettings& settings) {
    const zelmtpdevice::FirmwareDescription description = zelmtpdevice::ReadFirmwareDescription(data, length);
    FUZZ_EXPECT(description.major <= 999 && description.minor <= 999);
    FUZZ_EXPECT(description.region.GetLength() <= 2 && description.updateId.GetLength() <= 5);
    return zelmtpdevice::StoreFirmwareDescription(description, settings);
}

struct Rule {
    const char* deviceClass;
    BOOL (*read)(const char* data, DWORD length, tagDeviceSettings& settings);
};

const Rule kRules[] = {
    {"mass-storage", &zelums::ReadFirmwareDescription},
    {"MTP", &ReadMtpDescription},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte chooses the model, so that the TX-D4 rule is reached.
    const bool txd4 = size > 0 && (data[0] & 1);
    const char* text = reinterpret_cast<const char*>(data);
    const DWORD length = static_cast<DWORD>(size > 200 ? 200 : size);
    for (const Rule& rule : kRules) {
        tagDeviceSettings settings;
        std::memset(&settings, 0, sizeof settings);
        lstrcpynW(settings.ModelName, txd4 ? u"TX-D4" : u"RV-M41", ZEL_MODELNAME);
        const BOOL read = rule.read(text, length, settings);
        FUZZ_EXPECT(read == 0 || read == 1);
        FUZZ_EXPECT(zelfuzz::TerminatedLength(settings.FWRegion) <= 2);
        FUZZ_EXPECT(zelfuzz::TerminatedLength(settings.FWUpdateID) <= 5);
        zelfuzz::TerminatedLength(settings.ModelName);
        // The capability follows only from a version line.
        FUZZ_EXPECT(read == 1 || (settings.Capabilities & ZEL_CAP_FW_LEVEL) == 0);
    }
    return 0;
}
