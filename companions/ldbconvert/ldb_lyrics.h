// Lyrics in the player's form: lines wrapped to the model's width.
#pragma once

#include <string>
#include <vector>

namespace ldb {

// Per-model settings from PlayerInfos.ini.
struct PlayerSettings {
    int lineWidth = 20;  // display columns per line (a wide East Asian character takes two)
    int maxLines = 0;    // 0: no limit
};

// Display columns of one code point: 0 for combining marks and joiners, 2 for wide
// East Asian characters, 1 otherwise.
int Columns(char32_t codePoint);

// Splits lyrics into lines (CR LF, CR, LF, U+2028), trims the ends of lines, keeps at
// most one empty line between stanzas and wraps each line at the width: between
// words where there is a space, around wide characters, and inside a word that is
// longer than a whole line.
std::vector<std::u16string> LayoutLyrics(const std::u16string& lyrics, const PlayerSettings& settings);

// The player form: the laid-out lines joined with LF; empty when the lyrics hold
// nothing but white space.
std::u16string PlayerLyrics(const std::u16string& lyrics, const PlayerSettings& settings);

}  // namespace ldb
