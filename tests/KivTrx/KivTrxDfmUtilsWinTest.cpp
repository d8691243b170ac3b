// Forms read from the resources of a module: this test executable carries the test
// form compiled by formc as RCDATA "TFORM1", and a resource that is not a form.
#include <gtest/gtest.h>

#include "EmbeddedFiles.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/Exceptions.h"

namespace {

TEST(DfmResources, LoadFromResourceParsesTheFormAndChecksItsRoundTrip) {
  TDfmForm form;
  TDfmPropertyList flat;
  form.LoadFromResource(GetModuleHandleW(nullptr), u"TFORM1", &flat);
  EXPECT_EQ(form.ObjectName, "Form1");
  EXPECT_EQ(flat.size(), 20u);
  EXPECT_EQ(form.AsText(), TestForm("Translatable.dfm").Text());
}

TEST(DfmResources, MissingAndMalformedResourcesRaiseClearErrors) {
  TDfmForm form;
  TDfmPropertyList flat;
  try {
    form.LoadFromResource(GetModuleHandleW(nullptr), u"TNOSUCHFORM", &flat);
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TNOSUCHFORM not found");
  }
  try {
    form.LoadFromResource(GetModuleHandleW(nullptr), u"NOTAFORM", &flat);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid form data at offset 0: missing signature \"TPF0\"");
  }
  EXPECT_TRUE(flat.empty());
}

}  // namespace
