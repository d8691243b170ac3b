// TKivResourceStream: a read-only stream over one resource of a module. A missing
// resource raises EResNotFound "Resource %s not found" with its name.
#pragma once

#include "Rtl/Win.h"

#include <string>

#include "Rtl/Streams.h"

class TKivResourceStream : public TReadOnlyMemoryStream {
 public:
  TKivResourceStream(HMODULE module, const std::u16string& name, const std::u16string& type);
  TKivResourceStream(HMODULE module, const std::u16string& name, WORD type);

 private:
  void Load(HMODULE module, HRSRC info, const std::u16string& name);
};
