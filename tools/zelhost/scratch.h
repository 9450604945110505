// zelhost's scratch folder: one per process, below $TMPDIR (or /tmp), made when
// a file first needs it and removed with everything in it when zelhost ends.
// Nothing is kept in the user's home or shared with another zelhost run.
//
// It holds two things: private copies of pictures the library would otherwise
// delete after sending them, and the library's own temporary folder (the
// album-art and lyrics copies of a transfer), which the library places below
// the user's music folder: zelhost names a music folder inside the scratch
// folder for it, the way the shell's folders are looked up (XDG_CONFIG_HOME
// and its user-dirs.dirs).
#pragma once

#include <string>

namespace zelhost {

class Scratch {
public:
    // The process's scratch folder.
    static Scratch& OfProcess();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // Makes the folder (once) and points the library's temporary folder into
    // it. False with error filled when it cannot be made; then nothing that
    // needs it may be sent.
    bool Ready(std::string& error);
    // A private copy of the file (or the folder, with everything in it) at
    // hostPath; its host path, or empty with error filled.
    std::string CopyIn(const std::string& hostPath, std::string& error);

private:
    Scratch() = default;
    std::string m_folder;
    std::string m_failure;
    int m_copies = 0;
};

}  // namespace zelhost
