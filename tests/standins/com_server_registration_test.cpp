// The tests' own registration of a stand-in as a COM server.
#include <gtest/gtest.h>

#include "com_server_registration.h"
#include "test_support.h"

namespace {

const std::wstring kLocatorClassId = L"{CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}";

std::wstring Text(const std::vector<BYTE>& data) { return reinterpret_cast<const wchar_t*>(data.data()); }

TEST(ComServerRegistration, ServesTheDllAndPutsBackWinesOwnServer) {
    const std::wstring key = ComServerRegistration::ServerKey(kLocatorClassId);
    DWORD type = 0;
    std::vector<BYTE> wines;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"", KEY_WOW64_32KEY, &type, &wines));
    {
        ComServerRegistration registration(kLocatorClassId, L"C:\\elsewhere\\server.dll");
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"", KEY_WOW64_32KEY, &type, &data));
        EXPECT_EQ(Text(data), L"C:\\elsewhere\\server.dll");
        ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"ThreadingModel", KEY_WOW64_32KEY, &type, &data));
        EXPECT_EQ(Text(data), L"Both");
    }
    std::vector<BYTE> restored;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CLASSES_ROOT, key, L"", KEY_WOW64_32KEY, &type, &restored));
    EXPECT_EQ(restored, wines);
}

}  // namespace
