// The shell's special folders, taken from the XDG user directories.
//
//   CSIDL_MYMUSIC          XDG_MUSIC_DIR      default $HOME/Music
//   CSIDL_PERSONAL         XDG_DOCUMENTS_DIR  default $HOME/Documents
//   CSIDL_MYVIDEO          XDG_VIDEOS_DIR     default $HOME/Videos
//   CSIDL_MYPICTURES       XDG_PICTURES_DIR   default $HOME/Pictures
//   CSIDL_DESKTOPDIRECTORY XDG_DESKTOP_DIR    default $HOME/Desktop
//   CSIDL_APPDATA          $XDG_CONFIG_HOME   default $HOME/.config
//   CSIDL_LOCAL_APPDATA    $XDG_DATA_HOME     default $HOME/.local/share
//   CSIDL_PROFILE          $HOME
//
// The XDG_*_DIR entries are read from $XDG_CONFIG_HOME/user-dirs.dirs.
#pragma once

#include "types.h"

#define CSIDL_DESKTOP 0x0000
#define CSIDL_PERSONAL 0x0005
#define CSIDL_MYDOCUMENTS CSIDL_PERSONAL
#define CSIDL_MYMUSIC 0x000d
#define CSIDL_MYVIDEO 0x000e
#define CSIDL_DESKTOPDIRECTORY 0x0010
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_MYPICTURES 0x0027
#define CSIDL_PROFILE 0x0028
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_MASK 0xFF00

#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

// Writes the folder's Windows path (at most MAX_PATH units with the terminator) to
// path. When the folder does not exist it is made if create is set (or csidl
// carries CSIDL_FLAG_CREATE); otherwise the call fails. FALSE on failure.
ZELCOMPAT_API BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);
// The same as an HRESULT call: S_OK, E_INVALIDARG for an unknown folder, E_FAIL
// for a folder that is missing and not made.
ZELCOMPAT_API HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);

#define SHGetSpecialFolderPath SHGetSpecialFolderPathW
#define SHGetFolderPath SHGetFolderPathW
