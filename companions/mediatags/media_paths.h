// Host paths of the files the media routines write.
#pragma once

#include <string>

#include "zelcompat/types.h"

namespace zelmedia {

// The host path where a file named by a Windows path is to be written: empty unless
// its folder exists and the path resolves to a name inside that folder. Shared by the
// agent and the lyrics converter.
std::string HostPathForWriting(LPCWSTR windowsPath);

}  // namespace zelmedia
