#include "Gui/Component.h"

#include <algorithm>

#include "FormFiles/FormBinary.h"
#include "Gui/Properties.h"
#include "Gui/Reader.h"
#include "Gui/Writer.h"
#include "Rtl/Lock.h"
#include "Rtl/WideText.h"

namespace {
const TPropInfo kComponentProps[] = {
    IntProp<&TComponent::Tag, &TComponent::SetTag>("Tag", 0),
};
}  // namespace

const TClassInfo TComponent::kClassInfo{
    "TComponent", &TPersistent::kClassInfo, nullptr, kComponentProps, {}, {}};

TCriticalSection& GlobalNameSpace() {
  static TCriticalSection lock;
  return lock;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell those who asked; each one forgets us, and we forget them.
  while (!freeNotifies_.empty()) {
    TComponent* c = freeNotifies_.back();
    freeNotifies_.pop_back();
    c->RemoveFreeNotify(this);
    c->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (HasState(csDestroying)) return;
  state_ |= csDestroying;
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    Remove(c);
    c->owner_ = nullptr;
    delete c;
  }
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->Name(), name)) return c;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_) component->owner_->RemoveComponent(component);
  if (!component->name_.empty()) ValidateRename(component, std::string(), component->name_);
  Insert(component);
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Notification(component, TOperation::opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
  c->owner_ = nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdentifier(name)) {
    throw EComponentError(Format("'%s' is not a valid component name", name));
  }
  if (owner_) {
    owner_->ValidateRename(this, name_, name);
  } else {
    ValidateRename(nullptr, name_, name);
  }
  name_ = name;
}

void TComponent::ValidateRename(TComponent* component, const std::string& currentName,
                                const std::string& newName) {
  if (component && !SameText(currentName, newName) && component->owner_ == this &&
      FindComponent(newName)) {
    throw EComponentError(Format("A component named %s already exists", newName));
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  // Components of one owner are told of each other anyway.
  if (owner_ && component->owner_ == owner_) return;
  AddFreeNotify(component);
  component->AddFreeNotify(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  RemoveFreeNotify(component);
  component->RemoveFreeNotify(this);
}

void TComponent::AddFreeNotify(TComponent* c) {
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end()) {
    freeNotifies_.push_back(c);
    state_ |= csFreeNotification;
  }
}

void TComponent::RemoveFreeNotify(TComponent* c) {
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), c);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotify(component);
  // Siblings hear of each other through their owner.
  for (std::size_t i = components_.size(); i-- > 0;) {
    if (i < components_.size() && components_[i] != component) {
      components_[i]->Notification(component, operation);
    }
  }
}

bool TComponent::GetInterface(const TGuid&, void** object) {
  if (object) *object = nullptr;
  return false;
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::GetChildren(const std::function<void(TComponent*)>&, TComponent*) {}

void TComponent::DefineProperties(TFiler& filer) {
  auto* ancestor = dynamic_cast<TComponent*>(filer.Ancestor());
  int left = ancestor ? ancestor->designLeft_ : 0;
  int top = ancestor ? ancestor->designTop_ : 0;
  filer.DefineProperty(
      "Left", [this](TReader& r) { designLeft_ = static_cast<int>(r.ReadInteger()); },
      [this](TWriter& w) { w.WriteInteger(designLeft_); }, designLeft_ != left);
  filer.DefineProperty(
      "Top", [this](TReader& r) { designTop_ = static_cast<int>(r.ReadInteger()); },
      [this](TWriter& w) { w.WriteInteger(designTop_); }, designTop_ != top);
}
