// The recording conversion library used by the converter tests.
#include "lyrics_recorder.h"

#include <algorithm>
#include <cstring>

#include "zelcompat/files.h"

#define RECORDER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
LyricsRecorderState g_state;
}

RECORDER_EXPORT LyricsRecorderState* LyricsRecorderGetState() { return &g_state; }

RECORDER_EXPORT int LyricsConvertToPlayerW(const BYTE* input, DWORD inputLength, int mode, BYTE* output,
                                           DWORD* outputLength, LPCWSTR modelName, LPCWSTR playerTable) {
    ++g_state.tagCalls;
    g_state.mode = mode;
    g_state.input.assign(input, input + inputLength);
    g_state.roomGiven = *outputLength;
    g_state.tagModel = modelName;
    g_state.tagTable = playerTable;
    if (g_state.tagAnswer == 0) {
        // Writes no more than the room the caller announced.
        DWORD length = static_cast<DWORD>(std::min<size_t>(g_state.tagOutput.size(), g_state.roomGiven));
        std::memcpy(output, g_state.tagOutput.data(), length);
        *outputLength = static_cast<DWORD>(g_state.tagOutput.size());
    }
    return g_state.tagAnswer;
}

RECORDER_EXPORT int LyricsOggConvW(LPCWSTR sourcePath, LPCWSTR modelName, LPCWSTR playerTable, LPCWSTR outputPath) {
    ++g_state.oggCalls;
    g_state.oggSource = sourcePath;
    g_state.oggModel = modelName;
    g_state.oggTable = playerTable;
    g_state.oggOutput = outputPath;
    if (g_state.oggAnswer & 0xFF) {
        HANDLE file = CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 0;
        DWORD written = 0;
        WriteFile(file, g_state.oggOutputText.data(), static_cast<DWORD>(g_state.oggOutputText.size()), &written,
                  nullptr);
        CloseHandle(file);
    }
    return g_state.oggAnswer;
}
