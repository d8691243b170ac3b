#include "KivTrx/KivTrxForms.h"

#include "Gui/Properties.h"

namespace {

constexpr TPropInfo kTrxFormProps[] = {
    ObjProp<&TKivTrxForm::KivTranslatableProps>("KivTranslatableProps"),
    ObjProp<&TKivTrxForm::KivInlineClasses>("KivInlineClasses"),
};

}  // namespace

const TClassInfo TKivTrxForm::kClassInfo{
    "TKivTrxForm", &TKivFormLX::kClassInfo, nullptr, kTrxFormProps, {}, {}};

TKivTrxFormLists::TKivTrxFormLists()
    : translatableProps_(std::make_unique<TKivTrxTranslatableProps>()),
      inlineClasses_(std::make_unique<TKivTrxInlineClasses>()) {}

// The inline classes go first, then the translatable properties.
TKivTrxFormLists::~TKivTrxFormLists() {
  inlineClasses_.reset();
  translatableProps_.reset();
}

TKivTrxForm::TKivTrxForm(TComponent* owner) : TKivFormLX(owner) {}

TKivTrxForm::~TKivTrxForm() = default;

void TKivTrxForm::SetKivTranslatableProps(const TKivStringList& list) {
  translatableProps_->SetStrings(list);
}

void TKivTrxForm::SetKivInlineClasses(const TKivStringList& list) {
  inlineClasses_->SetStrings(list);
}

long TKivTrxForm::QueryInterface(const TGuid& iid, void** object) {
  return GetInterface(iid, object) ? 0 : static_cast<long>(0x80004002);  // E_NOINTERFACE
}

bool TKivTrxForm::GetInterface(const TGuid& iid, void** object) {
  if (iid == IID_IKivTrxForm) {
    *object = static_cast<IKivTrxForm*>(this);
    return true;
  }
  return TKivFormLX::GetInterface(iid, object);
}

void TKivTrxForm::ValidateRename(TComponent* component, const std::string& currentName,
                                 const std::string& newName) {
  // The base refuses first; the list changes only for a rename that happens.
  TKivFormLX::ValidateRename(component, currentName, newName);
  translatableProps_->RenameComponent(currentName, newName);
}
