// ReadRegistryValue over the Win32 machine, against the real registry.
// The machine under test comes first, so that every header after it reads
// the platform's names (windows.h renames some of the port's) the same way.
#include "win32/machine/machine.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "core/printer/registry.h"
#include "test_support.h"

namespace tarnwell {
namespace {

class RegistryOnWine : public ::testing::Test {
 protected:
  void SetString(const std::wstring& name, const std::wstring& text, bool with_terminator,
                 DWORD type = REG_SZ) {
    const std::size_t characters = text.size() + (with_terminator ? 1 : 0);
    key_.Set(name, type, text.c_str(), static_cast<DWORD>(characters * sizeof(wchar_t)));
  }
  RegistryValue Read(const std::wstring& name) {
    return ReadRegistryValue(machine_, RegRoot::LocalMachine, key_.path(), name);
  }

  Win32Machine machine_;
  wine_test::TestRegistryKey key_;
};

TEST_F(RegistryOnWine, StringsComeBackWithoutTheirTerminator) {
  SetString(L"with", L"abc", true);
  SetString(L"without", L"abc", false);
  SetString(L"empty", L"", true);
  EXPECT_EQ(Read(L"with"), RegistryValue(std::wstring(L"abc")));
  EXPECT_EQ(Read(L"without"), RegistryValue(std::wstring(L"abc")));
  EXPECT_EQ(Read(L"empty"), RegistryValue(std::wstring()));
}

TEST_F(RegistryOnWine, LongAndNonAsciiStringsRoundTripUnchanged) {
  const std::wstring long_text(32 * 1024, L'x');  // 64 KiB of UTF-16
  const std::wstring foreign = L"Gr\u00FC\u00DFe \u2013 \u65E5\u672C\u8A9E \u0416 \u00E9";
  SetString(L"long", long_text, true);
  SetString(L"foreign", foreign, true);
  EXPECT_EQ(Read(L"long"), RegistryValue(long_text));
  EXPECT_EQ(Read(L"foreign"), RegistryValue(foreign));
}

TEST_F(RegistryOnWine, OnlyFourByteIntegersAreRead) {
  const DWORD five = 5;
  const unsigned long long eight_bytes = 5;
  const unsigned char bytes[] = {1, 2, 3, 4};
  key_.Set(L"dword", REG_DWORD, &five, sizeof(five));
  key_.Set(L"long dword", REG_DWORD, &eight_bytes, sizeof(eight_bytes));
  key_.Set(L"binary", REG_BINARY, bytes, sizeof(bytes));
  EXPECT_EQ(Read(L"dword"), RegistryValue(std::int32_t{5}));
  EXPECT_EQ(Read(L"long dword"), RegistryValue(Empty{}));
  EXPECT_EQ(Read(L"binary"), RegistryValue(Empty{}));
}

TEST_F(RegistryOnWine, ExpandableStringsAndMissingEntriesAreEmpty) {
  SetString(L"expand", L"%ProgramFiles%\\x", true, REG_EXPAND_SZ);
  EXPECT_EQ(Read(L"expand"), RegistryValue(Empty{}));
  EXPECT_EQ(Read(L"missing value"), RegistryValue(Empty{}));
  EXPECT_EQ(ReadRegistryValue(machine_, RegRoot::LocalMachine, key_.path() + L"\\missing", L"x"),
            RegistryValue(Empty{}));
}

TEST_F(RegistryOnWine, KeysAreOpenedForReadingOnly) {
  UniqueKey key;
  ASSERT_EQ(OpenKeyForQuerying(RegRoot::LocalMachine, key_.path(), key), ERROR_SUCCESS);
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExW(key.get(), L"written", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&one), sizeof(one)),
            ERROR_ACCESS_DENIED);

  EXPECT_EQ(OpenKeyForQuerying(RegRoot::LocalMachine, key_.path() + L"\\missing", key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key);
}

}  // namespace
}  // namespace tarnwell
