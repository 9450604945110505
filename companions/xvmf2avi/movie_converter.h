// One conversion: a movie file that libavformat can read, written out as AVI.
#pragma once

#include <string>

#include "convert_result.h"

namespace xvmf {

// Reads source (a host path) and writes the AVI file to output (a host path
// that the caller has made and may remove). The best picture stream and the
// best sound stream are kept; every other stream is left out.
Result ConvertToAvi(const std::string& source, const std::string& output);

}  // namespace xvmf
