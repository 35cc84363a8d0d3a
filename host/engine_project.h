// Where the application bundle lies and what the application's entry point receives: the value
// handed to the engine. Built once at start-up and copied into the host window. Thread: any.
// Never looks at the file system: a relative root stays relative for the engine library to resolve.
#ifndef QUENBREL_HOST_ENGINE_PROJECT_H_
#define QUENBREL_HOST_ENGINE_PROJECT_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace flutter {

class EngineProject {
 public:
  // The bundle below |root|, which is used unchanged ("data" gives data\flutter_assets, ...).
  explicit EngineProject(const std::wstring& root);

  const std::wstring& assets_path() const { return assets_path_; }
  const std::wstring& icu_data_path() const { return icu_data_path_; }
  const std::wstring& aot_library_path() const { return aot_library_path_; }
  const std::string& entry_point() const { return entry_point_; }
  const std::vector<std::string>& entry_point_arguments() const { return entry_point_arguments_; }
  int32_t option_word_1() const { return option_word_1_; }
  int32_t option_word_2() const { return option_word_2_; }

  // Replaces the UTF-8 arguments of the entry point as a whole.
  void set_entry_point_arguments(std::vector<std::string> arguments) {
    entry_point_arguments_ = std::move(arguments);
  }

 private:
  std::wstring assets_path_;
  std::wstring icu_data_path_;
  std::wstring aot_library_path_;
  std::string entry_point_;
  std::vector<std::string> entry_point_arguments_;
  int32_t option_word_1_ = 0;
  int32_t option_word_2_ = 0;
};

}  // namespace flutter

#endif  // QUENBREL_HOST_ENGINE_PROJECT_H_
