// The program's own resources, read from the built quenbrel.exe copied beside this test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ResourcesTest, IconAndManifest) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring program(path);
  program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"quenbrel.exe";
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr) << "quenbrel.exe not found beside the test";
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14)),  // RT_GROUP_ICON
            nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                             SizeofResource(module, found));
  for (const char* needle :
       {"level=\"asInvoker\" uiAccess=\"false\"", ">PerMonitorV2</dpiAwareness>",
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"}) {
    EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
  }
  FreeLibrary(module);
}

}  // namespace
