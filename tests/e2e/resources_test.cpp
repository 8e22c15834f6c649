// The resources inside the built Altavue.exe, read back through the
// system's resource loader.
#include "program_driver.h"
#include "shared/identifiers.h"
#include "shared/version.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExW(BesideThisProgram(L"Altavue.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    // The bytes of one resource stored under US English.
    std::string Bytes(const wchar_t* type, const wchar_t* name)
    {
        HRSRC found = FindResourceExW(module_, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (!found)
            return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(data, SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

std::wstring Name(LPCWSTR name)
{
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR extra)
{
    reinterpret_cast<std::set<std::wstring>*>(extra)->insert(
        Name(type) + L"/" + Name(name) + L"/" + std::to_wstring(language));
    return TRUE;
}
BOOL CALLBACK CollectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR extra)
{
    return EnumResourceLanguagesW(module, type, name, CollectLanguage, extra);
}
BOOL CALLBACK CollectType(HMODULE module, LPWSTR type, LONG_PTR extra)
{
    return EnumResourceNamesW(module, type, CollectName, extra);
}

TEST_F(ResourcesTest, ExactlyTheProgramsResourcesAllInUsEnglish)
{
    std::set<std::wstring> found;
    EnumResourceTypesW(module_, CollectType, reinterpret_cast<LONG_PTR>(&found));
    std::set<std::wstring> expected = {L"#3/#1/1033", L"#4/SUBMENU/1033", L"#5/MYDLG/1033",
                                       L"#14/MYICON/1033", L"#16/#1/1033", L"#24/#1/1033"};
    EXPECT_EQ(found, expected);
}

// One 128 x 128 image, 32-bit with alpha and a 1-bit mask, of which only
// the top row and the left column are transparent.
TEST_F(ResourcesTest, IconIsOne128PixelImageTransparentOnlyAtTopAndLeft)
{
    std::string group = Bytes(RT_GROUP_ICON, L"MYICON");
    ASSERT_EQ(group.size(), 6u + 14u);
    const BYTE* entry = reinterpret_cast<const BYTE*>(group.data()) + 6;
    EXPECT_EQ(*reinterpret_cast<const WORD*>(group.data() + 4), 1);
    EXPECT_EQ(entry[0], 128);
    EXPECT_EQ(entry[1], 128);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 32);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(entry + 8), 67624u);
    WORD imageId = *reinterpret_cast<const WORD*>(entry + 12);

    std::string image = Bytes(RT_ICON, MAKEINTRESOURCEW(imageId));
    ASSERT_EQ(image.size(), 67624u);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 128);
    EXPECT_EQ(header->biHeight, 256);
    EXPECT_EQ(header->biBitCount, 32);
    const BYTE* pixels = reinterpret_cast<const BYTE*>(image.data()) + 40;
    const BYTE* mask = pixels + 128 * 128 * 4;
    int wrong = 0, opaque = 0;
    for (int row = 0; row < 128; ++row) {      // stored bottom-up
        for (int column = 0; column < 128; ++column) {
            bool clear = row == 127 || column == 0;
            BYTE alpha = pixels[(row * 128 + column) * 4 + 3];
            bool masked = (mask[row * 16 + column / 8] >> (7 - column % 8)) & 1;
            wrong += clear ? (alpha != 0 || !masked) : (alpha != 255 || masked);
            opaque += !clear;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(opaque, 127 * 127);
}

TEST_F(ResourcesTest, ManifestAsksForNothingButAsInvoker)
{
    std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    for (const char* absent : {"dependency", "Common-Controls", "dpiAware", "supportedOS", "compatibility"})
        EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
}

TEST_F(ResourcesTest, TrayMenuHasItsFourItems)
{
    HMENU menu = LoadMenuW(module_, L"SUBMENU");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    wchar_t text[32];
    GetMenuStringW(menu, 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"なし");
    HMENU popup = GetSubMenu(menu, 0);
    struct { UINT id; const wchar_t* text; } items[] = {
        {ID_TRAY_SHOW, L"起動"}, {ID_TRAY_HELP, L"ヘルプ"}, {0, L""}, {ID_TRAY_EXIT, L"終了"}};
    ASSERT_EQ(GetMenuItemCount(popup), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 32;
        text[0] = L'\0';
        ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &info));
        EXPECT_EQ(info.wID, items[i].id);
        EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, items[i].id == 0);
        EXPECT_STREQ(text, items[i].text);
        if (items[i].id != 0) {  // separators always report themselves greyed
            EXPECT_EQ(info.fState, 0u);  // enabled, unchecked, not default
        }
    }
    DestroyMenu(menu);
}

#pragma pack(push, 1)
struct DialogTemplateHeader {
    WORD version, signature;
    DWORD helpId, exStyle, style;
    WORD items;
    short x, y, cx, cy;
};
#pragma pack(pop)

TEST_F(ResourcesTest, AboutDialogTemplateIsExactlyAsDrawn)
{
    std::string bytes = Bytes(RT_DIALOG, L"MYDLG");
    ASSERT_GE(bytes.size(), sizeof(DialogTemplateHeader) + 6);
    DialogTemplateHeader header;
    memcpy(&header, bytes.data(), sizeof(header));
    EXPECT_EQ(header.version, 1);
    EXPECT_EQ(header.signature, 0xFFFF);
    EXPECT_EQ(header.helpId, 0u);
    EXPECT_EQ(header.exStyle, 0u);
    EXPECT_EQ(header.style, 0x00C80088u);
    EXPECT_EQ(header.items, 0);
    EXPECT_EQ(header.x, 0);
    EXPECT_EQ(header.y, 0);
    EXPECT_EQ(header.cx, 150);
    EXPECT_EQ(header.cy, 40);
    // Then: no menu, the default class, the caption, and no font.
    const auto* strings = reinterpret_cast<const wchar_t*>(bytes.data() + sizeof(header));
    EXPECT_EQ(strings[0], 0);
    EXPECT_EQ(strings[1], 0);
    EXPECT_EQ(std::wstring(strings + 2), L"バージョン情報");
    EXPECT_EQ(bytes.size(), sizeof(header) + 4 + (lstrlenW(strings + 2) + 1) * 2);
}

// The file's version and names as Windows' shell reads them (Properties,
// Details): through version.dll, from the file on disk.
TEST(VersionInfoTest, TheFileCarriesTheReleasesVersionAndNames)
{
    std::wstring path = BesideThisProgram(L"Altavue.exe");
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_NE(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD versionHigh = MAKELONG(VERSION_MINOR, 0), versionLow = MAKELONG(0, VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, versionHigh);
    EXPECT_EQ(fixed->dwFileVersionLS, versionLow);
    EXPECT_EQ(fixed->dwProductVersionMS, versionHigh);
    EXPECT_EQ(fixed->dwProductVersionLS, versionLow);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);  // a release: no debug, no pre-release

    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);

    wchar_t version[32];
    swprintf(version, 32, L"0.%d.%d.0", VERSION_MINOR, VERSION_PATCH);
    struct { const wchar_t* name; const wchar_t* text; } strings[] = {
        {L"FileDescription", L"Altavue"},
        {L"ProductName", L"Altavue"},
        {L"FileVersion", version},
        {L"ProductVersion", version},
        {L"OriginalFilename", L"Altavue.exe"},
        {L"InternalName", L"Altavue"},
        {L"CompanyName", L"The Altavue developers"},
        {L"LegalCopyright", L"Copyright (C) 2026 The Altavue developers"},
    };
    for (const auto& expected : strings) {
        SCOPED_TRACE(testing::Message() << expected.name);
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + expected.name;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), &value, &length));
        EXPECT_STREQ(static_cast<const wchar_t*>(value), expected.text);
    }
}

}  // namespace
