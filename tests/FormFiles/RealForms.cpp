#include "RealForms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "FormFiles/FormBinary.h"
#include "Rtl/CodePage.h"
#include "Rtl/Streams.h"

namespace {

std::vector<RealForm> Load() {
  std::vector<RealForm> forms;
  for (const char* folder : kRealFormFolders) {
    const std::filesystem::path dir = std::filesystem::path(PLINTH_SHARED_FORMS_DIR) / folder;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      if (entry.path().extension() != ".dfm") continue;
      RealForm f;
      f.name = std::string(folder) + "/" + entry.path().filename().string();
      f.bytes = ReadFileBytes(Utf8ToWide(entry.path().string()));
      f.binary = IsBinaryForm(f.bytes.data(), f.bytes.size());
      forms.push_back(std::move(f));
    }
  }
  std::sort(forms.begin(), forms.end(),
            [](const RealForm& a, const RealForm& b) { return a.name < b.name; });
  return forms;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

const std::vector<RealForm>& RealForms() {
  static const std::vector<RealForm> forms = Load();
  for (std::string_view folder : kRealFormFolders) {
    bool found = std::any_of(forms.begin(), forms.end(), [&](const RealForm& f) {
      return f.name.compare(0, folder.size() + 1, std::string(folder) + "/") == 0;
    });
    if (!found) ADD_FAILURE() << "no form files in " << PLINTH_SHARED_FORMS_DIR << "/" << folder;
  }
  return forms;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::string_view line : Lines(text)) {
    out += line;
    out += "\r\n";
  }
  return out;
}

int FirstDifferingLine(std::string_view a, std::string_view b) {
  std::vector<std::string_view> x = Lines(a);
  std::vector<std::string_view> y = Lines(b);
  for (std::size_t i = 0; i < x.size() || i < y.size(); ++i) {
    if (i >= x.size() || i >= y.size() || x[i] != y[i]) return static_cast<int>(i + 1);
  }
  return 0;
}
