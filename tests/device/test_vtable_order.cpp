// The host calls the device object through its virtual table, so the slots of
// its 42 operations, right after those of CWnd, are a binary interface. A
// pointer to a virtual member function holds 1 + the byte offset of its slot
// (Itanium C++ ABI), which tells the slot without calling anything.
#include <dlfcn.h>

#include <cstring>
#include <type_traits>

#include "device_fixture.h"

extern "C" void __cxa_pure_virtual();

namespace {

template <class Member>
ptrdiff_t Slot(Member member) {
    struct {
        uintptr_t ptr;
        ptrdiff_t adj;
    } raw;
    static_assert(sizeof(Member) == sizeof(raw));
    std::memcpy(&raw, &member, sizeof(raw));
    return (raw.ptr & 1) ? static_cast<ptrdiff_t>((raw.ptr - 1) / sizeof(void*)) : -1;
}

struct WindowProbe : CWnd {
    virtual void FirstNewSlot() {}
    static std::vector<ptrdiff_t> WindowSlots() {
        return {Slot(&WindowProbe::CreateEx),   Slot(&WindowProbe::DestroyWindow), Slot(&WindowProbe::WindowProc),
                Slot(&WindowProbe::OnWndMsg),   Slot(&WindowProbe::DefWindowProc), Slot(&WindowProbe::PostNcDestroy),
                Slot(&WindowProbe::GetMessageMap)};
    }
};

struct DeviceProbe : IdleDevice {
    static ptrdiff_t MessageMapSlot() { return Slot(&DeviceProbe::GetMessageMap); }
};

#define SLOT(name) {#name, Slot(&CZEL_Device::name)}

}  // namespace

TEST(DeviceVirtualTable, OperationsFollowCWndInTheirFixedOrder) {
#if !(defined(__x86_64__) || defined(__aarch64__))
    GTEST_SKIP() << "member pointers are decoded for the generic Itanium layout";
#endif
    const std::vector<std::pair<const char*, ptrdiff_t>> slots = {
        SLOT(CreateDevice), SLOT(FindFileFirst), SLOT(FindFileNext), SLOT(CancelTransfer), SLOT(AddFileToBuffer),
        SLOT(GetCurrentTransFile), SLOT(IsDeviceRoot), SLOT(IsSupportFormat), SLOT(IsExistFile), SLOT(IsExistCastFile),
        SLOT(TransferFile2), SLOT(TransferFile), SLOT(DeleteFileDev), SLOT(RefreshDeviceInfo), SLOT(UploadFile), SLOT(CanbeUploaded),
        SLOT(RebuildDB), SLOT(FormatDevice), SLOT(MakeFolder), SLOT(GetFWInfo), SLOT(FWUpdate), SLOT(MoveSpecialFolder),
        SLOT(MoveFolder), SLOT(CreatePWFile), SLOT(UpdateDataBase), SLOT(UpdatePlaylist), SLOT(SafeRemoved),
        SLOT(UpdateMoodPlaylist), SLOT(ReadPlaylist), SLOT(StorePlaylist), SLOT(NewPlayList), SLOT(CheckXPL), SLOT(ChangePLName),
        SLOT(FindUploadTarget), SLOT(GetNewContent), SLOT(AutoUpload), SLOT(GameUpload), SLOT(FindGameUploadList),
        SLOT(CheckFirmUpFile), SLOT(TransferXPLfoMTP), SLOT(TransferPostFile), SLOT(CanTransfer)};
    ASSERT_EQ(slots.size(), 42u);

    // CWnd: the two destructor entries, then its operations; the device's come next.
    const std::vector<ptrdiff_t> window = WindowProbe::WindowSlots();
    const ptrdiff_t lastWindowSlot = *std::max_element(window.begin(), window.end());
    EXPECT_EQ(*std::min_element(window.begin(), window.end()), 2);
    EXPECT_EQ(Slot(&WindowProbe::FirstNewSlot), lastWindowSlot + 1);
    for (size_t i = 0; i < slots.size(); ++i)
        EXPECT_EQ(slots[i].second, lastWindowSlot + 1 + static_cast<ptrdiff_t>(i)) << slots[i].first;
    EXPECT_EQ(DeviceProbe::MessageMapSlot(), window.back());  // overridden in place
    EXPECT_TRUE(std::has_virtual_destructor_v<CZEL_Device>);

    // Exactly the 31 player operations are pure in the base.
    EXPECT_TRUE(std::is_abstract_v<CZEL_Device>);
    EXPECT_FALSE(std::is_abstract_v<IdleDevice>);
    auto* table = static_cast<void* const*>(dlsym(RTLD_DEFAULT, "_ZTV11CZEL_Device"));
    ASSERT_NE(table, nullptr) << "the device library exports its virtual table";
    const void* pure = reinterpret_cast<void*>(&__cxa_pure_virtual);
    for (size_t i = 0; i < slots.size(); ++i)  // entries follow the offset to the top and the type information
        EXPECT_EQ(table[2 + slots[i].second] == pure, i >= 10 && i < 41) << slots[i].first;
}
