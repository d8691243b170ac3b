#include "SampleComponents.h"

#include <algorithm>

#include "Gui/Properties.h"

std::vector<std::string>* TSample::loadOrder = nullptr;

namespace {

constexpr const char* kModeNameList[] = {"smFirst", "smSecond", "smThird"};
constexpr TEnumNames kModeNames{kModeNameList};
constexpr const char* kOptionNameList[] = {"soOne", "soTwo", "soThree"};
constexpr TEnumNames kOptionNames{kOptionNameList};
constexpr TIdentMapEntry kShadeEntries[] = {{0, "shNone"}, {255, "shFull"}};
constexpr TIdentMap kShades{kShadeEntries};

constexpr TPropInfo kFontProps[] = {
    StrProp<&TSampleFont::Name, &TSampleFont::SetName>("Name"),
    IntProp<&TSampleFont::Size, &TSampleFont::SetSize>("Size", 8),
};
constexpr TPropInfo kItemProps[] = {
    StrProp<&TSampleItem::Caption, &TSampleItem::SetCaption>("Caption"),
    IntProp<&TSampleItem::Width, &TSampleItem::SetWidth>("Width", 50),
};
constexpr TPropInfo kSampleProps[] = {
    IntProp<&TSample::Count, &TSample::SetCount>("Count", 0),
    BoolProp<&TSample::Flag, &TSample::SetFlag>("Flag", false),
    EnumProp<&TSample::Mode, &TSample::SetMode>("Mode", kModeNames, 0),
    SetProp<&TSample::Options, &TSample::SetOptions>("Options", kOptionNames, 0),
    IdentProp<&TSample::Shade, &TSample::SetShade>("Shade", kShades, 0),
    StrProp<&TSample::Text, &TSample::SetText>("Text"),
    FloatProp<&TSample::Ratio, &TSample::SetRatio>("Ratio"),
    CompProp<&TSample::Buddy, &TSample::SetBuddy>("Buddy"),
    ObjProp<&TSample::Font>("Font"),
    ObjProp<&TSample::Items>("Items"),
    ObjProp<&TSample::Lines>("Lines"),
    EventProp<&TSample::OnPing>("OnPing"),
    KeptProp("Design"),
    KeptProp("Glass.Enabled"),
};

TComponent* CreateSample(TComponent* owner) { return new TSample(owner); }
TComponent* CreatePlain(TComponent* owner) { return new TPlain(owner); }

const TMethodInfo kRootMethods[] = {
    KIV_METHOD(TSampleRoot, Ping),
    KIV_METHOD(TSampleRoot, Other),
};
const TFieldInfo kRootFields[] = {
    KIV_FIELD(TSampleRoot, First),
    KIV_FIELD(TSampleRoot, Second),
};

}  // namespace

const TClassInfo TSampleFont::kClassInfo{
    "TSampleFont", &TPersistent::kClassInfo, nullptr, kFontProps, {}, {}};
const TClassInfo TSampleItem::kClassInfo{
    "TSampleItem", &TCollectionItem::kClassInfo, nullptr, kItemProps, {}, {}};
const TClassInfo TSampleItems::kClassInfo{
    "TSampleItems", &TCollection::kClassInfo, nullptr, {}, {}, {}};
const TClassInfo TSample::kClassInfo{
    "TSample", &TComponent::kClassInfo, CreateSample, kSampleProps, {}, {}};
const TClassInfo TSampleRoot::kClassInfo{"TSampleRoot", &TSample::kClassInfo, nullptr, {},
                                         kRootMethods,  kRootFields};
const TClassInfo TPlain::kClassInfo{"TPlain", &TComponent::kClassInfo, CreatePlain, {}, {}, {}};

TSample::~TSample() {
  for (TSample* c : children_) c->parent_ = nullptr;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TSample::SetBuddy(TComponent* v) {
  buddy_ = v;
  if (v) v->FreeNotification(this);
}

void TSample::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == buddy_) buddy_ = nullptr;
}

void TSample::Loaded() {
  TComponent::Loaded();
  ++loadedCalls;
  if (loadOrder) loadOrder->push_back(Name());
}

void TSample::SetParentComponent(TComponent* parent) {
  if (auto* p = dynamic_cast<TSample*>(parent); p && p != this && parent_ != p) {
    parent_ = p;
    p->children_.push_back(this);
  }
}

void TSample::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  // Components of the root without a parent stand at the root's level.
  if (this == root) {
    for (int i = 0; i < ComponentCount(); ++i) {
      auto* s = dynamic_cast<TSample*>(Components(i));
      if (!s || !s->parent_ || s->parent_ == this) proc(Components(i));
    }
    return;
  }
  for (TSample* c : children_) {
    if (c->Owner() == root) proc(c);
  }
}

void RegisterSampleClasses() {
  RegisterClassInfo(TSample::kClassInfo);
  RegisterClassInfo(TPlain::kClassInfo);
}
