// Shared pieces of the playlist tests: a player drive E: with a playlist folder,
// UTF-16 little-endian byte strings to compare written files with, and a count
// of the process's open descriptors to prove that no file stays open.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "tempdrive.h"

// The bytes of a text as a binary UTF-16 stream writes them: two a unit, low byte first.
inline std::string Utf16(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

inline CStringArray Array(std::initializer_list<const char16_t*> items) {
    CStringArray array;
    for (const char16_t* item : items) array.Add(CString(item));
    return array;
}

inline std::u16string Text(const CString& text) { return std::u16string(static_cast<LPCWSTR>(text)); }

inline int OpenDescriptorCount() {
    int count = 0;
    std::error_code ignored;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ignored);
         it != std::filesystem::directory_iterator(); it.increment(ignored)) {
        ++count;
    }
    return count;
}

// The player's drive E: with its playlist folder E:\Playlists.
class PlaylistTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(drive.Host("Playlists"));
        xpl.SetFolder(u"E:\\Playlists");
        plp.SetFolder(u"E:\\Playlists");
    }
    void TearDown() override {
        EXPECT_FALSE(xpl.IsFileOpen());
        EXPECT_FALSE(plp.IsFileOpen());
    }

    // A file on the player that playlist entries can point at.
    void MakeMedia(const std::string& relative) { drive.WriteFile(relative, "media"); }
    void WritePlaylist(const std::string& name, const std::u16string& text) {
        drive.WriteFile("Playlists/" + name, Utf16(text));
    }
    std::string ReadPlaylist(const std::string& name) { return drive.ReadFile("Playlists/" + name); }

    TempDrive drive{u'E'};
    CXPLPlaylistFile xpl;
    CPLPPlaylistFile plp;
};

// The XPL lines every file begins with.
inline const std::u16string kXplHeader1 = u"\uFEFFXPL PLAYLIST\r\nVERSION 1.00\r\n\r\n";
inline const std::u16string kXplHeader2 = u"\uFEFFXPL PLAYLIST\r\nVERSION 2.00\r\n\r\n";
inline const std::u16string kXplEnd = u"\r\nEND PLAYLIST\r\n";
inline const std::u16string kPlpHeader = u"PLP PLAYLIST\r\nVERSION 1.20\r\n\r\n";

// The myAuro section of a version-2.00 file for a value (none for an empty one).
inline std::u16string MyAuroSection(const std::u16string& value) {
    std::u16string text = u"\r\nmyAuro DATA\r\n\r\n";
    if (!value.empty()) text += value + u"\r\n";
    return text + u"\r\nEND myAuro\r\n";
}
