// The program's own resources, read from the built quenbrel.exe copied beside this test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class ResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path);
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"quenbrel.exe";
    module_ = LoadLibraryExW(program.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "quenbrel.exe not found beside the test";
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_F(ResourcesTest, IconIsResource101) {
  EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14)),  // RT_GROUP_ICON
            nullptr);
}

TEST_F(ResourcesTest, ManifestAsksForPerMonitorV2OnWindows10AsInvoker) {
  HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
  const std::string manifest(data, SizeofResource(module_, found));
  for (const char* needle :
       {"level=\"asInvoker\" uiAccess=\"false\"", ">PerMonitorV2</dpiAwareness>",
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"}) {
    EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
  }
}

}  // namespace
