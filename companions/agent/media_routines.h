// The agent's media routines; routines.cpp hands them to the device.
#pragma once

#include "ZELDevice/abi/AgentRoutines.h"

namespace zelagent {

int ReadFileInfo(ZelTagAnswer* answer, const ZelTagRequest* request, LPCWSTR path, DWORD answerSize);
int ReleaseTrack(void* reserved);
int ResizeAlbumImage(LPCWSTR source, LPCWSTR target, int width, int height);
int DeleteAlbumImage(const BYTE* tagIn, BYTE* tagOut, DWORD* length);
int ResizeAlbumImageInMemory(const BYTE* tagIn, BYTE* tagOut, DWORD* length, int width, int height);
int AddMoodInfo(LPCWSTR path, UINT moodClass);

}  // namespace zelagent
