// TKivStrings: the Unicode layer's wide string list as a stored property (a memo's
// lines). A description stores it as the defined property "Strings": a list of strings.
#pragma once

#include "Gui/Persistent.h"
#include "Rtl/KivStringList.h"

class TKivStrings : public TKivStringList, public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  void DefineProperties(TFiler& filer) override;

  // The list's content as a description stores it, and back.
  void ReadStrings(TReader& reader);
  void WriteStrings(TWriter& writer) const;
  // True when the two lists hold the same strings in the same order.
  bool SameStrings(const TKivStringList& other) const;
};
