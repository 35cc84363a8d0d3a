#include "host/engine_project.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineProjectTest, PathsAreTheRootWithEachSuffix) {
  struct Row {
    const wchar_t* root;
    const wchar_t* assets;
    const wchar_t* icu;
    const wchar_t* aot;
  } rows[] = {
      {L"data", L"data\\flutter_assets", L"data\\icudtl.dat", L"data\\app.so"},
      // The root is used unchanged: no separator is added or removed, nothing is resolved.
      {L"C:\\app\\data\\", L"C:\\app\\data\\\\flutter_assets", L"C:\\app\\data\\\\icudtl.dat",
       L"C:\\app\\data\\\\app.so"},
      {L"", L"\\flutter_assets", L"\\icudtl.dat", L"\\app.so"},
  };
  for (const Row& row : rows) {
    flutter::EngineProject project(row.root);
    EXPECT_EQ(project.assets_path(), row.assets);
    EXPECT_EQ(project.icu_data_path(), row.icu);
    EXPECT_EQ(project.aot_library_path(), row.aot);
  }
}

}  // namespace
