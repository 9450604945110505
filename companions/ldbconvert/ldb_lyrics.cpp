// Lyrics layout for the player's screen.
#include "ldb_lyrics.h"

#include <algorithm>

namespace ldb {
namespace {

using Line = std::u32string;

std::u32string Decode(const std::u16string& text) {
    std::u32string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

std::u16string Encode(const std::u32string& text) {
    std::u16string out;
    for (char32_t cp : text) {
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

bool IsSpace(char32_t cp) { return cp == U' ' || cp == U'\t' || cp == 0x3000 || cp == 0xA0; }

bool IsWide(char32_t cp) { return Columns(cp) == 2; }

int Width(const Line& text) {
    int columns = 0;
    for (char32_t cp : text) columns += Columns(cp);
    return columns;
}

void TrimEnd(Line& line) {
    while (!line.empty() && IsSpace(line.back())) line.pop_back();
}

// Pieces a line may break around: words of narrow characters, single wide characters
// (each with the combining marks that follow), and runs of spaces.
struct Piece {
    Line text;
    bool space = false;
};

std::vector<Piece> Pieces(const Line& line) {
    std::vector<Piece> pieces;
    for (char32_t cp : line) {
        if (IsSpace(cp)) {
            if (pieces.empty() || !pieces.back().space) pieces.push_back({Line(), true});
            continue;
        }
        const bool attach = Columns(cp) == 0 && !pieces.empty() && !pieces.back().space;
        const bool continueWord = !pieces.empty() && !pieces.back().space && !IsWide(cp) &&
                                  !pieces.back().text.empty() && !IsWide(pieces.back().text.front());
        if (attach || continueWord) {
            pieces.back().text.push_back(cp);
        } else {
            pieces.push_back({Line(1, cp), false});
        }
    }
    return pieces;
}

void Wrap(const Line& source, int width, std::vector<Line>& out) {
    Line line;
    int columns = 0;
    bool spaceBefore = false;
    for (const Piece& piece : Pieces(source)) {
        if (piece.space) {
            spaceBefore = !line.empty();
            continue;
        }
        Line word = piece.text;
        int wordColumns = Width(word);
        const int gap = spaceBefore ? 1 : 0;
        spaceBefore = false;
        if (columns + gap + wordColumns <= width) {
            if (gap) line.push_back(U' ');
            line += word;
            columns += gap + wordColumns;
            continue;
        }
        if (!line.empty()) {
            out.push_back(line);
            line.clear();
            columns = 0;
        }
        // A word wider than a line is cut where the width runs out.
        while (wordColumns > width) {
            size_t cut = 0;
            int taken = 0;
            while (cut < word.size() && taken + Columns(word[cut]) <= width) taken += Columns(word[cut++]);
            while (cut < word.size() && Columns(word[cut]) == 0) ++cut;  // keep marks with their base
            if (cut == 0) cut = 1;
            out.push_back(word.substr(0, cut));
            word.erase(0, cut);
            wordColumns = Width(word);
        }
        line = word;
        columns = wordColumns;
    }
    if (!line.empty()) out.push_back(line);
}

}  // namespace

int Columns(char32_t cp) {
    if ((cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
        (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F) || (cp >= 0xFE00 && cp <= 0xFE0F) ||
        cp == 0x200B || cp == 0x200C || cp == 0x200D || cp == 0xFEFF) {
        return 0;
    }
    if ((cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) || (cp >= 0x3040 && cp <= 0xA4CF) ||
        (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
        (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
        (cp >= 0x1F900 && cp <= 0x1F9FF) || (cp >= 0x20000 && cp <= 0x3FFFD)) {
        return 2;
    }
    return 1;
}

std::vector<std::u16string> LayoutLyrics(const std::u16string& lyrics, const PlayerSettings& settings) {
    const int width = std::max(1, settings.lineWidth);
    const std::u32string text = Decode(lyrics);

    std::vector<Line> sourceLines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp == U'\r' || cp == U'\n' || cp == 0x2028) {
            if (cp == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            sourceLines.emplace_back();
        } else if (cp != 0) {
            sourceLines.back().push_back(cp);
        }
    }

    std::vector<Line> laidOut;
    for (Line& line : sourceLines) {
        TrimEnd(line);
        line.erase(0, std::find_if_not(line.begin(), line.end(), IsSpace) - line.begin());
        if (line.empty()) {
            // One empty line between stanzas; none at the start.
            if (!laidOut.empty() && !laidOut.back().empty()) laidOut.emplace_back();
            continue;
        }
        Wrap(line, width, laidOut);
    }
    while (!laidOut.empty() && laidOut.back().empty()) laidOut.pop_back();
    if (settings.maxLines > 0 && laidOut.size() > static_cast<size_t>(settings.maxLines)) {
        laidOut.resize(static_cast<size_t>(settings.maxLines));
        while (!laidOut.empty() && laidOut.back().empty()) laidOut.pop_back();
    }

    std::vector<std::u16string> result;
    result.reserve(laidOut.size());
    for (const Line& line : laidOut) result.push_back(Encode(line));
    return result;
}

std::u16string PlayerLyrics(const std::u16string& lyrics, const PlayerSettings& settings) {
    const std::vector<std::u16string> lines = LayoutLyrics(lyrics, settings);
    std::u16string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += u'\n';
        joined += lines[i];
    }
    return joined;
}

}  // namespace ldb
