// The device object loads the host's resource library from the executable's folder.
#include <gtest/gtest.h>

#include "core_fixture.h"

namespace {

class ResourceProbe : public TestDevice {
public:
    HMODULE Resource() const { return m_hResource; }
};

}  // namespace

TEST(ResourceLibrary, DeviceLoadsTheHostStringsBesideTheExecutable) {
    ResourceProbe device;
    ASSERT_NE(nullptr, device.Resource());
    WCHAR text[260] = {};
    EXPECT_EQ(6, LoadStringW(device.Resource(), 9005, text, 260));
    EXPECT_EQ(std::u16string(u"Upbeat"), std::u16string(text));
    EXPECT_GT(LoadStringW(device.Resource(), 9004, text, 260), 0);
    EXPECT_GT(LoadStringW(device.Resource(), 9006, text, 260), 0);
    EXPECT_GT(LoadStringW(device.Resource(), 9007, text, 260), 0);
    EXPECT_EQ(0, LoadStringW(device.Resource(), 9008, text, 260));
}
