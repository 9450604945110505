// Loaded into a zelhost run with LD_PRELOAD, this library sets compat's test
// seams in that process before zelhost starts, from the environment:
//   ZEL_TEST_FAT_DRIVE=E             the drive counts as FAT (ZelSetDriveFat)
//   ZEL_TEST_FAULT=PATTERN|OPS|ERROR|AFTER
//                                    an injected fault (ZelInjectFault); OPS,
//                                    ERROR and AFTER are numbers
// so that an end-to-end test can show what a person sees on a FAT player or a
// full one without either.
#include <cstdlib>
#include <sstream>
#include <string>

#include "zelcompat/faults.h"
#include "zelcompat/textfn.h"

namespace {

__attribute__((constructor)) void SetSeams() {
    if (const char* drive = std::getenv("ZEL_TEST_FAT_DRIVE"); drive && *drive) ZelSetDriveFat(static_cast<WCHAR>(*drive), TRUE);
    const char* fault = std::getenv("ZEL_TEST_FAULT");
    if (!fault || !*fault) return;
    std::istringstream fields(fault);
    std::string pattern, ops, error, after;
    std::getline(fields, pattern, '|');
    std::getline(fields, ops, '|');
    std::getline(fields, error, '|');
    std::getline(fields, after, '|');
    ZelInjectFault(ZelFromUtf8(pattern).c_str(), static_cast<DWORD>(std::strtoul(ops.c_str(), nullptr, 0)),
                   static_cast<DWORD>(std::strtoul(error.c_str(), nullptr, 0)), std::strtoull(after.c_str(), nullptr, 0));
}

}  // namespace
