#include <gtest/gtest.h>

#include "EmbeddedFiles.h"

const EmbeddedFile& TestForm(std::string_view name) {
  for (std::size_t i = 0; i < kTestFormsCount; ++i) {
    if (name == kTestForms[i].name) return kTestForms[i];
  }
  ADD_FAILURE() << "no test form " << name;
  return kTestForms[0];
}
