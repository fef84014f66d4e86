// The settings file's parser, and the rewrite of what it parsed (which must parse to the same lines).
#include <cstdlib>
#include <string>

#include "app/settings/IniFile.h"
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::Guarded([&] {
    const auto lines = app::TIniFile::Parse(text);
    const auto again = app::TIniFile::Parse(app::TIniFile::Render(lines));
    if (again.size() != lines.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i)
      if (again[i].section != lines[i].section || again[i].key != lines[i].key || again[i].value != lines[i].value)
        std::abort();
  });
  return 0;
}
