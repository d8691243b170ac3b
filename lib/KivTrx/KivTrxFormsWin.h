// The translatable form (Windows half of KivTrxForms).
#pragma once

#include <memory>

#include "Gui/Component.h"
#include "KivLX/KivLXForms.h"

class TKivTrxTranslatableProps;
class TKivTrxInlineClasses;

// {4333CDA8-D21F-4701-99DC-CD8447E53BF2}
inline constexpr TGuid IID_IKivTrxForm{
    0x4333CDA8, 0xD21F, 0x4701, {0x99, 0xDC, 0xCD, 0x84, 0x47, 0xE5, 0x3B, 0xF2}};

// What the translation framework asks of a translatable form.
class IKivTrxForm : public IInterface {
 public:
  virtual TKivTrxTranslatableProps& GetKivTranslatableProps() = 0;
  virtual TKivTrxInlineClasses& GetKivInlineClasses() = 0;

 protected:
  ~IKivTrxForm() = default;
};

// The two lists of a translatable form, in a base of their own that comes before the
// form: they exist before the form's description is read into them and go only after
// the form is destroyed, so an OnDestroy handler can still read them.
class TKivTrxFormLists {
 protected:
  TKivTrxFormLists();
  ~TKivTrxFormLists();

  std::unique_ptr<TKivTrxTranslatableProps> translatableProps_;
  std::unique_ptr<TKivTrxInlineClasses> inlineClasses_;
};

// A form whose description carries its translatable properties and inline classes.
// Renaming one of its components renames that component's entries in the list.
class TKivTrxForm : private TKivTrxFormLists, public TKivFormLX, public IKivTrxForm {
  KIV_CLASS_INFO()

 public:
  explicit TKivTrxForm(TComponent* owner);
  ~TKivTrxForm() override;
  const TClassInfo& FormRootClass() const override { return TKivTrxForm::kClassInfo; }

  TKivTrxTranslatableProps& KivTranslatableProps() { return *translatableProps_; }
  TKivTrxInlineClasses& KivInlineClasses() { return *inlineClasses_; }
  // Copy the given list into the form's own (the list object stays the same).
  void SetKivTranslatableProps(const TKivStringList& list);
  void SetKivInlineClasses(const TKivStringList& list);

  long QueryInterface(const TGuid& iid, void** object) override;
  unsigned long AddRef() override { return 1; }
  unsigned long Release() override { return 1; }
  TKivTrxTranslatableProps& GetKivTranslatableProps() override { return *translatableProps_; }
  TKivTrxInlineClasses& GetKivInlineClasses() override { return *inlineClasses_; }
  bool GetInterface(const TGuid& iid, void** object) override;

  void ValidateRename(TComponent* component, const std::string& currentName,
                      const std::string& newName) override;
};
