// Resource strings from a resource library, and the shell's special folders.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/modules.h"
#include "zelcompat/shellfolders.h"
#include "zelcompat/window.h"

TEST(ResourceStrings, CopiesCutsTerminatesAndMissesLikeWindows) {
    // The test resource library beside the test executable (tests/compat/testres).
    HMODULE module = LoadLibraryW(u"TestRes.dll");
    ASSERT_NE(nullptr, module) << "libTestRes.so is not beside the test executable";
    WCHAR buffer[260];
    EXPECT_EQ(4, LoadStringW(module, 9004, buffer, 260));
    EXPECT_EQ(u"Calm", std::u16string(buffer));
    const std::u16string unicode = u"Ünïcödé \u266B text";
    EXPECT_EQ(static_cast<int>(unicode.size()), LoadStringW(module, 101, buffer, 260));
    EXPECT_EQ(unicode, buffer);

    // A buffer too small takes bufferMax-1 units and the terminator.
    WCHAR small[5] = {u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(4, LoadStringW(module, 9005, small, 5));
    EXPECT_EQ(u"Ener", std::u16string(small));
    // bufferMax 0: a pointer to the string itself.
    LPCWSTR direct = nullptr;
    EXPECT_EQ(9, LoadStringW(module, 9005, reinterpret_cast<LPWSTR>(&direct), 0));
    ASSERT_NE(nullptr, direct);
    EXPECT_EQ(u"Energetic", std::u16string(direct, 9));

    // Missing and empty strings give 0 and an empty buffer.
    buffer[0] = u'x';
    SetLastError(0);
    EXPECT_EQ(0, LoadStringW(module, 9006, buffer, 16));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    FreeLibrary(module);

    // A library without a string table, and no library at all.
    HMODULE plain = LoadLibraryW(u"zelcompat.dll");
    ASSERT_NE(nullptr, plain);
    buffer[0] = u'x';
    EXPECT_EQ(0, LoadStringW(plain, 9004, buffer, 16));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND), GetLastError());
    FreeLibrary(plain);
    EXPECT_EQ(0, LoadStringW(nullptr, 9004, buffer, 16));
}

namespace {

// Points HOME and XDG_CONFIG_HOME at a temporary folder for the length of a test.
class ShellFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ZelHostPath(u"C:\\");  // the drive table takes C: from HOME on first use; settle it first
        char pattern[] = "/tmp/zelhomeXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        home_ = pattern;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const char* value = getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ + "/cfg").c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        std::filesystem::create_directories(home_ + "/cfg");
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
    void UserDirs(const std::string& text) { std::ofstream(home_ + "/cfg/user-dirs.dirs") << text; }
    std::u16string Folder(int csidl, BOOL create) {
        WCHAR path[MAX_PATH];
        return SHGetSpecialFolderPathW(nullptr, path, csidl, create) ? path : u"<failed>";
    }
    std::u16string Win(const std::string& relative) { return ZelWindowsPath((home_ + relative).c_str()); }

    std::string home_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace

TEST_F(ShellFolders, MusicComesFromUserDirsAndIsMadeOnRequest) {
    UserDirs("# written by xdg-user-dirs-update\n"
             "XDG_DESKTOP_DIR=\"$HOME/Desk top\"\n"
             "XDG_MUSIC_DIR=\"$HOME/My Tunes\"\n"
             "XDG_VIDEOS_DIR=\"" + home_ + "/elsewhere/vids/\"\n");
    SetLastError(0);
    EXPECT_EQ(u"<failed>", Folder(CSIDL_MYMUSIC, FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(std::filesystem::exists(home_ + "/My Tunes"));
    EXPECT_EQ(Win("/My Tunes"), Folder(CSIDL_MYMUSIC, TRUE));
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "/My Tunes"));
    EXPECT_EQ(Win("/My Tunes"), Folder(CSIDL_MYMUSIC, FALSE));
    EXPECT_EQ(Win("/elsewhere/vids"), Folder(CSIDL_MYVIDEO | CSIDL_FLAG_CREATE, FALSE));
    EXPECT_EQ(Win("/Desk top"), Folder(CSIDL_DESKTOPDIRECTORY, TRUE));
    EXPECT_EQ(Win("/cfg"), Folder(CSIDL_APPDATA, FALSE));
}

TEST_F(ShellFolders, DefaultsWithoutUserDirsAndFailures) {
    EXPECT_EQ(u"<failed>", Folder(CSIDL_PERSONAL, FALSE));
    EXPECT_EQ(Win("/Documents"), Folder(CSIDL_PERSONAL, TRUE));
    EXPECT_EQ(Win("/Music"), Folder(CSIDL_MYMUSIC, TRUE));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Win("/.config"), Folder(CSIDL_APPDATA, TRUE));

    SetLastError(0);
    EXPECT_EQ(u"<failed>", Folder(0x7f, TRUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    WCHAR path[MAX_PATH];
    EXPECT_EQ(E_INVALIDARG, SHGetFolderPathW(nullptr, 0x7f, nullptr, 0, path));

    // A folder whose Windows path does not fit in MAX_PATH is refused.
    setenv("XDG_CONFIG_HOME", (home_ + "/cfg").c_str(), 1);
    UserDirs("XDG_MUSIC_DIR=\"" + home_ + "/" + std::string(150, 'a') + "/" + std::string(150, 'b') + "\"\n");
    SetLastError(0);
    EXPECT_EQ(u"<failed>", Folder(CSIDL_MYMUSIC, TRUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}
