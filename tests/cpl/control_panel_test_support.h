#pragma once
// What the Control Panel item should leave in the registry, written out here
// independently of the program's own table, and a fixture that starts every
// test from a registry without the item and without a setup log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_panel_keys.h"
#include "test_support.h"

struct ExpectedKey {
    HKEY hive;
    const wchar_t* path;
};
// The four keys with values, in the order in which they are created.
extern const ExpectedKey kExpectedKeys[4];

struct ExpectedValue {
    int number;  // the value's place in the order of writing, from 1
    int key;     // index into kExpectedKeys
    std::wstring name;
    std::wstring data;
};
// The eight values for a given Program Files folder.
std::vector<ExpectedValue> ExpectedValues(const std::wstring& programFiles);

// The bytes of a REG_SZ value stored with its terminating null.
std::vector<BYTE> StringBytes(const std::wstring& text);

// What Wine says this Windows is, and what the test run made its prefix:
// 64-bit Windows unless the run sets QUELMAR_PREFIX_WIN32.
bool Is64BitWindows();
bool PrefixIs32BitWindows();
// The Program Files folder a 32-bit program gets on the prefix's Windows.
std::wstring ExpectedProgramFilesFolder();

bool KeyExists64(HKEY hive, const std::wstring& path);
void ExpectValueStored(HKEY hive, const std::wstring& path, const ExpectedValue& value);
void ExpectValueAbsent(HKEY hive, const std::wstring& path, const std::wstring& name);

class CleanRegistry : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

private:
    static void Clean();
    ApiRestore restore_;
};
