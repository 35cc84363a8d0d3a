#include "host/engine_project.h"

namespace flutter {

EngineProject::EngineProject(const std::wstring& root)
    : assets_path_(root + L"\\flutter_assets"),
      icu_data_path_(root + L"\\icudtl.dat"),
      aot_library_path_(root + L"\\app.so") {}

}  // namespace flutter
