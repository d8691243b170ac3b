// Files compiled into a test executable (see EmbedFiles.cmake).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct EmbeddedFile {
  const char* name;
  const unsigned char* data;
  std::size_t size;

  std::string_view Text() const {
    return std::string_view(reinterpret_cast<const char*>(data), size);
  }
  std::vector<std::uint8_t> Bytes() const { return std::vector<std::uint8_t>(data, data + size); }
};

// The test forms (tests/FormFiles/forms/*.dfm).
extern const EmbeddedFile kTestForms[];
extern const std::size_t kTestFormsCount;

// The test form of that file name; fails the test when there is none.
const EmbeddedFile& TestForm(std::string_view name);
