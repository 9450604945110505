// Damaged input: the converter and the in-memory album art routines must answer with
// a result code, never read or write outside their buffers (run under the sanitizers).
#include <gtest/gtest.h>

#include <random>

#include "ZELDevice/abi/AgentRoutines.h"
#include "media_test_util.h"

extern "C" int LyricsConvertToPlayerW(const unsigned char* input, unsigned int inputLength, int mode,
                                      unsigned char* output, unsigned int* outputLength, const char16_t* modelName,
                                      const char16_t* playerTable);

using namespace mediatest;
namespace mg = zelmediagen;

namespace {

// Copies of input with a few bytes changed, a deterministic sequence.
class Mutations {
public:
    explicit Mutations(const Bytes& input) : input_(input), random_(20240607u) {}
    Bytes Next() {
        Bytes copy = input_;
        std::uniform_int_distribution<size_t> where(0, copy.size() - 1);
        std::uniform_int_distribution<int> count(1, 4), value(0, 255), kind(0, 9);
        for (int i = count(random_); i > 0; --i) {
            const size_t at = kind(random_) < 7 ? where(random_) % 64 : where(random_);  // headers mostly
            copy[at] = static_cast<uint8_t>(kind(random_) < 5 ? value(random_) : copy[at] ^ 0x80);
        }
        if (kind(random_) == 0) copy.resize(where(random_));
        return copy;
    }

private:
    Bytes input_;
    std::mt19937 random_;
};

}  // namespace

TEST(LdbConvertRobustness, DamagedTagBlocksAndHeadersGiveResultCodes) {
    mg::Mp3Options mp3;
    mp3.id3Version = 4, mp3.title = "t", mp3.lyrics = "some words to lay out\nand more";
    mg::AsfOptions asf;
    asf.title = "t", asf.lyrics = "some words to lay out", asf.padding = 16;
    const Bytes inputs[2] = {mg::MakeId3Tag(mp3), mg::MakeAsfHeader(asf)};
    for (int mode = 0; mode < 2; ++mode) {
        Mutations mutations(inputs[mode]);
        int converted = 0;
        for (int i = 0; i < 1500; ++i) {
            const Bytes input = mutations.Next();
            // The output buffer is exactly as large as the device makes it.
            Bytes output(input.size() + (mode == 0 ? 65535 : 60000));
            unsigned int length = 0;
            int result = LyricsConvertToPlayerW(input.data(), static_cast<unsigned>(input.size()), mode, output.data(),
                                                &length, u"M", nullptr);
            ASSERT_GE(result, 0);
            ASSERT_LE(result, 5);
            if (result == 0) {
                ++converted;
                ASSERT_LE(length, output.size());
            }
        }
        EXPECT_GT(converted, 0) << "some damage (in padding or text) still converts";
    }
}

TEST(AgentMediaRobustness, DamagedTagBlocksInMemory) {
    mg::Mp3Options options;
    options.title = "t";
    options.cover = {mg::ImageFormat::Jpeg, 24, 24, 3};
    Mutations mutations(mg::MakeId3Tag(options));
    for (int i = 0; i < 600; ++i) {
        const Bytes input = mutations.Next();
        Bytes output(input.size());
        DWORD length = static_cast<DWORD>(input.size());
        if (Agent_DeleteAlbumImage()(input.data(), output.data(), &length)) {
            ASSERT_LE(length, input.size());
        }
        length = static_cast<DWORD>(input.size());
        if (Agent_ResizeAlbumImageForC7()(input.data(), output.data(), &length, 8, 8)) {
            ASSERT_LE(length, input.size());
        }
    }
}
