// A conversion library for tests that answers as told and remembers what it
// was given. Built as libLyricsRecorder.so ("LyricsRecorder.dll").
#pragma once

#include <string>
#include <vector>

#include "zelcompat/types.h"

struct LyricsRecorderState {
    // What the next calls answer.
    int tagAnswer = 1;
    std::vector<BYTE> tagOutput;  // written to the output block when tagAnswer is 0
    int oggAnswer = 0;            // a non-zero low byte also writes oggOutputText to the output path
    std::string oggOutputText = "converted";

    // What the last calls were given.
    int tagCalls = 0;
    int mode = -1;
    std::vector<BYTE> input;
    DWORD roomGiven = 0;  // *outputLength on entry
    std::u16string tagModel, tagTable;
    int oggCalls = 0;
    std::u16string oggSource, oggModel, oggTable, oggOutput;
};

// The recorder's state, reached with GetProcAddress.
typedef LyricsRecorderState* (*LyricsRecorderStateProc)();
