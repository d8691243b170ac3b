// The Unicode control layer's field classes. A data set of the application library
// hands these out instead of the toolkit's own: their display text is wide and
// never passes through the 8-bit code page.
#pragma once

#include "Db/Fields.h"

class TKivStringField : public TStringField {
 public:
  std::u16string WideDisplayText() const override;
};

class TKivWideStringField : public TWideStringField {
 public:
  std::string DisplayText() const override;
  std::u16string WideDisplayText() const override;
};

class TKivDateTimeField : public TDateTimeField {
 public:
  std::u16string WideDisplayText() const override;
};

class TKivDateField : public TDateField {
 public:
  std::u16string WideDisplayText() const override;
};

class TKivTimeField : public TTimeField {
 public:
  std::u16string WideDisplayText() const override;
};
