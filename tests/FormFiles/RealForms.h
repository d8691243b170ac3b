// The real form files of the shared test data, read where they lie: forms-real/ (text
// and binary forms from public application projects) and forms-encodings/ (forms
// chosen for how they store text beyond ASCII). The folders come from the build
// (PLINTH_SHARED_FORMS_DIR); the project commits none of the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kRealFormFolders[] = {"forms-real", "forms-encodings"};

struct RealForm {
  std::string name;  // the folder and the file name, e.g. "forms-real/017.dfm"
  std::vector<std::uint8_t> bytes;
  bool binary = false;  // a binary form file; otherwise form text

  std::string_view Text() const {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
};

// Every file of the folders, by name. A missing or empty folder fails the calling test.
const std::vector<RealForm>& RealForms();

// The text with every line ending in CR LF, as the converters write it.
std::string WithCrLf(std::string_view text);
// The number of the first line (from 1) where the texts differ, line ends aside; 0 when
// they do not.
int FirstDifferingLine(std::string_view a, std::string_view b);
