// What the shipped file says about itself: version resource, manifest, and
// the resources every mode loads at start-up.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/SaverProcess.h"

namespace {

using e2e::SaverPath;

class ExecutableIdentity : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(SaverPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }

  std::string Resource(LPCWSTR name, LPCWSTR type) const {
    HRSRC resource = FindResourceW(module_, name, type);
    if (!resource) return {};
    auto* data = static_cast<const char*>(LockResource(LoadResource(module_, resource)));
    return std::string(data, SizeofResource(module_, resource));
  }

  HMODULE module_ = nullptr;
};

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST_F(ExecutableIdentity, VersionResourceIsGermanWithEmptyDescriptions) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(SaverPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(SaverPath().c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(2, 0));  // .0.2
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(translation[0], 0x0407) << "language German (Germany)";

  const wchar_t* descriptive[] = {L"CompanyName",     L"FileDescription",  L"InternalName", L"LegalCopyright",
                                  L"LegalTrademarks", L"OriginalFilename", L"ProductName",  L"Comments"};
  for (const wchar_t* field : descriptive) {
    std::wstring query = L"\\StringFileInfo\\040704E4\\" + std::wstring(field);
    wchar_t* value = nullptr;
    if (VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value) {
      EXPECT_EQ(std::wstring(value), L"") << field;
    }
  }
}

// The text of the first element of that name in an XML text, without its
// attributes; empty when there is none.
std::string ElementText(const std::string& xml, const std::string& element) {
  std::size_t open = xml.find("<" + element + " ");
  if (open == std::string::npos) open = xml.find("<" + element + ">");
  if (open == std::string::npos) return {};
  std::size_t start = xml.find('>', open) + 1;
  return xml.substr(start, xml.find("</" + element, start) - start);
}

// One manifest, the program's own: common controls 6, per-monitor dpi
// awareness with the fallbacks older Windows read, and no execution level
// (which would switch off file virtualization). Wine takes every program as
// per-monitor aware whatever its manifest says, so the declaration is checked
// here as Windows reads it.
TEST_F(ExecutableIdentity, CarriesItsOwnManifestOnly) {
  int manifests = 0;
  EnumResourceNamesW(module_, MAKEINTRESOURCEW(24), CountName, reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_EQ(manifests, 1);
  std::string manifest = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_EQ(ElementText(manifest, "dpiAwareness"), "PerMonitorV2, PerMonitor");
  EXPECT_EQ(ElementText(manifest, "dpiAware"), "true/pm");
  EXPECT_NE(manifest.find("supportedOS"), std::string::npos);
  EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
}

TEST_F(ExecutableIdentity, EmbedsLayoutsPicturesSpritesPreviewAndIcon) {
  const wchar_t* data[] = {L"TSCREENSAVERBACKGROUND",
                           L"TBACKGROUNDS",
                           L"TSCREENSAVERFOREGROUNDSARVANE",
                           L"TSCREENSAVERFOREGROUND",
                           L"TSCREENSAVERFOREGROUNDCALDERINE",
                           L"TSHOWPROGRESS",
                           L"TSCREENSAVERFOREGROUNDTHORNAX",
                           L"TCONFIGURATION",
                           L"PIC_DOLPHIN",
                           L"PIC_ASTEROIDENFELD",
                           L"PIC_SONNE",
                           L"PIC_DEEPSPACE",
                           L"PIC_NEBEL",
                           L"SPRITE_SARVANE",
                           L"SPRITE_TARNSKIMMER",
                           L"SPRITE_CALDERINE",
                           L"SPRITE_THORNAX"};
  for (const wchar_t* name : data) EXPECT_FALSE(Resource(name, MAKEINTRESOURCEW(10)).empty()) << name;
  EXPECT_EQ(Resource(L"RES_PREVIEW", MAKEINTRESOURCEW(2)).size(), 314136u);
  EXPECT_FALSE(Resource(L"MAINICON", MAKEINTRESOURCEW(14)).empty());
}

}  // namespace
