// The store on the Windows registry, as the command line there keeps it: the same values,
// types and spellings that the window program's QSettings writes and reads. Built into
// settings_tests on Windows only.
#ifdef _WIN32

#include "settings/Profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

constexpr wchar_t kScratchKey[] = L"Software\\Pelmar tests";
constexpr wchar_t kImportKey[] = L"Software\\Veldrin Software\\Pelmar\\Import";

// HKEY_CURRENT_USER of this process is a scratch key for the length of a test, so that no
// test reads or writes the user's own settings.
class RegistryProfile : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, &m_hScratch, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, m_hScratch), ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        ::RegCloseKey(m_hScratch);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    }

    // A value as it lies in the registry: its type and data.
    static std::pair<DWORD, std::vector<BYTE>> Raw(const wchar_t* pszName) {
        DWORD nType = 0;
        DWORD nSize = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, kImportKey, pszName, RRF_RT_ANY, &nType, nullptr, &nSize) !=
            ERROR_SUCCESS) {
            return {REG_NONE, {}};
        }
        std::vector<BYTE> data(nSize);
        ::RegGetValueW(HKEY_CURRENT_USER, kImportKey, pszName, RRF_RT_ANY, &nType, data.data(), &nSize);
        data.resize(nSize);
        return {nType, data};
    }
    static std::vector<BYTE> Text(const std::wstring& text) {
        const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
        return std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t));
    }
    static void SetRaw(const wchar_t* pszName, DWORD nType, const std::vector<BYTE>& data) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kImportKey, pszName, nType, data.data(),
                                    static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    HKEY m_hScratch = nullptr;
};

TEST_F(RegistryProfile, KeepsTextValuesAsQSettingsDoes) {
    {
        CProfile profile;
        ASSERT_TRUE(profile.CreateKey());
        EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
        EXPECT_EQ(profile.GetString("Import", "PathOut", "none"), "none");
        EXPECT_EQ(profile.PutInt("Import", "Exist", -1), 1);
        EXPECT_EQ(profile.PutString("Import", "PathOut", "C:\\Kurse\\Z\xC3\xBCrich \xE6\xA0\xAA"), 1);
        EXPECT_EQ(profile.PutString("Import", "Name", "@home"), 1);
        EXPECT_EQ(profile.PutString("Import", "Symbol", ""), 1);
        EXPECT_EQ(profile.PutInt("Screen", "cx", 640), 1);
    }
    EXPECT_EQ(Raw(L"Exist"), std::make_pair(DWORD{REG_SZ}, Text(L"-1")));
    EXPECT_EQ(Raw(L"PathOut"), std::make_pair(DWORD{REG_SZ}, Text(L"C:\\Kurse\\Z\u00FCrich \u682A")));
    EXPECT_EQ(Raw(L"Name"), std::make_pair(DWORD{REG_SZ}, Text(L"@@home"))) << "QSettings' escape of a leading @";

    CProfile again;
    again.CreateKey();
    EXPECT_EQ(again.GetInt("Import", "Exist", 0), -1);
    EXPECT_EQ(again.GetString("Import", "PathOut", ""), "C:\\Kurse\\Z\xC3\xBCrich \xE6\xA0\xAA");
    EXPECT_EQ(again.GetString("Import", "Name", ""), "@home");
    EXPECT_EQ(again.GetString("Import", "Symbol", "default"), "") << "an empty text is a value";
    EXPECT_EQ(again.GetInt("Screen", "cx", 0), 640);
    EXPECT_EQ(again.GetInt("Screen", "cy", 480), 480);
}

// Values written by other hands: numbers that an older QSettings stored as REG_DWORD, lists,
// texts without their NUL, texts that "%d" reads in part or not at all.
TEST_F(RegistryProfile, ReadsWhatOthersWrote) {
    CProfile profile;
    ASSERT_TRUE(profile.CreateKey());
    SetRaw(L"DateCol", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF});
    SetRaw(L"Delimiter", REG_MULTI_SZ, Text(std::wstring(L"a\0b\0", 4)));
    SetRaw(L"VolCol", REG_SZ, {'6', 0, '7', 0});
    SetRaw(L"OICol", REG_SZ, Text(L" 7 columns"));
    SetRaw(L"HiCol", REG_SZ, Text(L"three"));
    SetRaw(L"LoCol", REG_BINARY, {4});
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), -2);
    EXPECT_EQ(profile.GetString("Import", "Delimiter", ""), "a,b");
    EXPECT_EQ(profile.GetInt("Import", "VolCol", 1), 67);
    EXPECT_EQ(profile.GetInt("Import", "OICol", 1), 7);
    EXPECT_EQ(profile.GetInt("Import", "HiCol", 3), 3);
    EXPECT_EQ(profile.GetInt("Import", "LoCol", 4), 4);
}

} // namespace

#endif
