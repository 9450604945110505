// The extension lists of the kinds of content a host offers for a player.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

CString CZEL_DeviceForUMS::GetContentsType(int kind) {
    switch (kind) {
    case 1: return CString(u"MPG.AVI.WMV.KVI");
    case 2: return CString(u"JPG.GIF.BMP");
    case 3: return CString(u"MP3");
    default: return CString();
    }
}
