// The per-process scratch folder.
#include "scratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zelhost {

namespace fs = std::filesystem;

Scratch& Scratch::OfProcess() {
    static Scratch scratch;  // removed when the process ends normally
    return scratch;
}

Scratch::~Scratch() {
    std::error_code ignored;
    if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
}

bool Scratch::Ready(std::string& error) {
    if (!m_folder.empty()) return true;
    if (!m_failure.empty()) {
        error = m_failure;
        return false;
    }
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/zelhost-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        m_failure = error = "cannot make a scratch folder " + pattern + " (TMPDIR names where)";
        return false;
    }
    // The library's temporary folder goes below the user's music folder as the
    // shell names it; here that is the scratch folder's own.
    const std::string config = pattern + "/config", music = pattern + "/music";
    std::error_code failed;
    fs::create_directories(config, failed);
    if (!failed) fs::create_directories(music, failed);
    std::ofstream(config + "/user-dirs.dirs") << "XDG_MUSIC_DIR=\"" << music << "\"\n";
    if (failed || !fs::is_regular_file(config + "/user-dirs.dirs", failed)) {
        fs::remove_all(pattern, failed);
        m_failure = error = "cannot prepare the scratch folder " + pattern;
        return false;
    }
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    m_folder = pattern;
    return true;
}

std::string Scratch::CopyIn(const std::string& hostPath, std::string& error) {
    if (!Ready(error)) return {};
    // A folder per copy, so that two pictures of one name keep their own.
    const std::string folder = m_folder + "/copy" + std::to_string(++m_copies);
    const std::string copy = folder + "/" + fs::path(hostPath).filename().string();
    std::error_code failed;
    fs::create_directories(folder, failed);
    if (!failed && fs::is_directory(hostPath, failed))
        fs::copy(hostPath, copy, fs::copy_options::recursive, failed);
    else if (!failed)
        fs::copy_file(hostPath, copy, fs::copy_options::overwrite_existing, failed);
    if (failed) {
        error = "cannot copy it into the scratch folder: " + failed.message();
        return {};
    }
    return copy;
}

}  // namespace zelhost
