// A host built outside the project against an installed libZELDevice, as a user
// would build one. It maps a player folder as drive E:, sets up a mass-storage
// device object for it, lists the player's root, and says where the library
// found its companion modules and data, so that a test can check the
// installation it was built against.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "ZELDevice/ZELDevice.h"

namespace {

bool g_resourceMissing = false;

void Diagnostic(LPCWSTR line, void*) {
    const std::string text = ZelToUtf8(line);
    std::fprintf(stderr, "%s", text.c_str());
    if (text.find("Fail to load resource") != std::string::npos) g_resourceMissing = true;
}

void CopyText(WCHAR* field, size_t units, const char16_t* text) {
    std::u16string value(text);
    value.resize(std::min(value.size(), units - 1));
    std::copy(value.begin(), value.end(), field);
    field[value.size()] = 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PLAYER_FOLDER\n", argv[0]);
        return 2;
    }
    ZelSetDebugSink(&Diagnostic, nullptr);
    if (!ZelMapDrive(u'E', argv[1])) {
        std::fprintf(stderr, "cannot map %s as E:\n", argv[1]);
        return 1;
    }

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.lpszClassName = u"ConsumerHost";
    RegisterClassW(&windowClass);
    HWND host = CreateWindowExW(0, u"ConsumerHost", u"host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    CZEL_DeviceForUMS device;
    device.CreateEx(0, u"ConsumerDevice", u"player", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    tagDeviceSettings& settings = device.m_Settings;
    settings.DriveLetter = u'E';
    settings.Capabilities = ZEL_CAP_IMAGE;
    CopyText(settings.ModelName, ZEL_MODELNAME, u"Consumer Player");
    CopyText(settings.Folders[0], ZEL_FOLDER_UNITS, u"Music");
    CopyText(settings.Folders[2], ZEL_FOLDER_UNITS, u"Photo");
    CopyText(settings.Extensions, ZEL_FOLDER_UNITS, u"MP3.JPG");

    tagDeviceInfo info{};
    info.DriveLetter = u'E';
    CopyText(info.ModelName, ZEL_MODELNAME_INFO, u"Consumer Player");
    const DWORD result = device.CreateDevice(&info, host);
    if (ZelFailed(result)) {
        std::fprintf(stderr, "CreateDevice failed: 0x%X\n", static_cast<unsigned>(result));
        return 1;
    }

    std::printf("root of E:\n");
    for (CZEL_File* entry = device.FindFileFirst(); entry != nullptr; entry = device.FindFileNext())
        std::printf("  %s%s\n", ZelToUtf8(entry->GetName()).c_str(), entry->IsFolder() ? "/" : "");
    std::printf("module LDBConvert.dll: %s\n", ZelFindModule(u"LDBConvert.dll").c_str());
    std::printf("data folder: %s\n", ZelHostPath(ZelDataFolder(u"").c_str()).c_str());
    std::printf("resource library: %s\n", g_resourceMissing ? "missing" : "loaded");
    DestroyWindow(host);
    return g_resourceMissing ? 1 : 0;
}
