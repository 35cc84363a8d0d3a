// The start-up helpers: the entry point's arguments from the command line, and the project paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/engine_project.h"

namespace {

TEST(StartUpTest, ArgumentsAfterTheProgramNameAsUtf8) {
  const struct {
    const wchar_t* command_line;
    std::vector<std::string> expected;
  } rows[] = {
      {L"quenbrel.exe alpha \"beta gamma\"", {"alpha", "beta gamma"}},
      {L"quenbrel.exe", {}},
      {L"\"C:\\Program Files\\quenbrel.exe\" x", {"x"}},
      {L"quenbrel.exe \"\" last", {"", "last"}},
      {L"quenbrel.exe caf\u00e9 \u20ac \xd83d\xde00",
       {"caf\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}},
      // An unpaired or misordered surrogate empties its own argument only.
      {L"quenbrel.exe one a\xd800z three \xdc00 \xde00\xd83d a\xd83d",
       {"one", "", "three", "", "", ""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    EXPECT_EQ(CommandLineToUtf8Arguments(row.command_line), row.expected);
  }
  EXPECT_EQ(ArgumentToUtf8(nullptr), "");
  EXPECT_EQ(ArgumentToUtf8(L""), "");
}

TEST(StartUpTest, ProjectPathsAreTheRootWithEachSuffix) {
  // The root is used unchanged: no separator is added or removed, nothing is resolved.
  const struct {
    const wchar_t* root;
    const wchar_t* assets;
    const wchar_t* icu;
    const wchar_t* aot;
  } rows[] = {
      {L"C:\\app\\data\\", L"C:\\app\\data\\\\flutter_assets", L"C:\\app\\data\\\\icudtl.dat",
       L"C:\\app\\data\\\\app.so"},
      {L"", L"\\flutter_assets", L"\\icudtl.dat", L"\\app.so"},
  };
  for (const auto& row : rows) {
    flutter::EngineProject project(row.root);
    EXPECT_EQ(project.assets_path(), row.assets);
    EXPECT_EQ(project.icu_data_path(), row.icu);
    EXPECT_EQ(project.aot_library_path(), row.aot);
  }
}

}  // namespace
