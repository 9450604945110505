// What ConvertVMF2AVI answers. 0 is success; the others say why nothing was written.
#pragma once

namespace xvmf {

enum Result : int {
    kConverted = 0,
    kBadArguments = 1,      // a null or empty path, or a destination that is the source
    kUnreadableSource = 2,  // the source is missing, unreadable, or no container libavformat takes
    kNoMovie = 3,           // the container holds no picture stream
    kUnwritable = 4,        // the destination's folder is missing or the file could not be written
    kNotConverted = 5,      // a stream could not be decoded, encoded or written
};

}  // namespace xvmf
