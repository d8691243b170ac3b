#include "Gui/Component.h"

#include <algorithm>

#include "FormFiles/FormBinary.h"
#include "Rtl/WideText.h"

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->Insert(this);
}

TComponent::~TComponent() {
  while (!components_.empty()) delete components_.back();  // each removes itself
  if (owner_) owner_->Remove(this);
}

void TComponent::Remove(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : components_) {
    if (SameText(c->Name(), name)) return c;
  }
  return nullptr;
}

bool TComponent::ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent&) {
  // Where a non-visual component sat on the design surface; not used at run time.
  if (name == "Left" || name == "Top") {
    reader.ReadInteger();
    return true;
  }
  return false;
}

TComponent::Method TComponent::FindMethod(std::string_view) { return nullptr; }
