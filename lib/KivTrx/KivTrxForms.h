// KivTrxForms: translatable forms. A translatable form carries, in its own description,
// the list of its components' properties to translate (KivTranslatableProps, entries
// such as "Button1.Caption") and the classes of embedded objects whose components are
// named relative to them (KivInlineClasses). Both are sorted, duplicate-free wide string
// lists stored as the defined property "WideStrings".
#pragma once

#include <string>

#include "Gui/KivStrings.h"

class TKivTrxStringList : public TKivStrings {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  // Sorted; adding a string already present (ignoring case) does nothing.
  TKivTrxStringList();

  // Clears the list and adds the strings of `source`, inside one update bracket.
  void SetStrings(const TKivStringList& source);
  // Entries "<old name>.<property>" become "<new name>.<property>"; entries whose text
  // before the last dot is more than a component name are left alone. Entries that
  // become equal are merged. Nothing happens when either name is empty.
  void RenameComponent(const std::string& oldName, const std::string& newName);

  // The stream property "WideStrings": written when the list has strings, or when it
  // is empty and the inherited form's list is not.
  void DefineProperties(TFiler& filer) override;
  void ReadWideStrings(TReader& reader);
  void WriteWideStrings(TWriter& writer) const;
  bool HasWideStrings(const TFiler& filer) const;
};

class TKivTrxTranslatableProps : public TKivTrxStringList {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
};

class TKivTrxInlineClasses : public TKivTrxStringList {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
};

#ifdef _WIN32
#include "KivTrx/KivTrxFormsWin.h"
#endif
