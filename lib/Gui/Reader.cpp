#include "Gui/Reader.h"

#include <algorithm>

#include "Gui/Collection.h"
#include "Gui/Component.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Lock.h"
#include "Rtl/WideText.h"

namespace {
// A read error that already names where it happened; passed on unchanged by the
// callers that would otherwise add their own context.
class EPlacedReadError : public EReadError {
 public:
  using EReadError::EReadError;
};
}  // namespace

TReader::TReader(const std::uint8_t* data, std::size_t size) : binary_(data, size), data_(data) {}

std::string TReader::PathOf(const TComponent& component) const {
  std::string name = component.Name().empty() ? component.ClassName() : component.Name();
  if (!root_ || &component == root_ || root_->Name().empty()) return name;
  return root_->Name() + "." + name;
}

void TReader::PropertyError(const TComponent& component, std::string_view name,
                            std::string_view what) const {
  throw EPlacedReadError(Format("Error reading %s.%s: %s", PathOf(component), name, what));
}

void TReader::ComponentError(const TComponent& component, std::string_view what) const {
  throw EPlacedReadError(Format("Error reading %s: %s", PathOf(component), what));
}

double TReader::ReadFloat() {
  switch (binary_.NextValue()) {
    case TValueType::vaDate:
      binary_.ReadValueType();
      return binary_.ReadDateBody();
    case TValueType::vaCurrency:
      binary_.ReadValueType();
      return static_cast<double>(binary_.ReadCurrencyBody()) / 10000.0;
    default:
      return binary_.ReadFloat();
  }
}

void TReader::DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                             const std::function<void(TWriter&)>&, bool) {
  if (definedRead_ || !SameText(name, definedName_) || !read) return;
  definedRead_ = true;
  read(*this);
}

namespace {
// A second form of one class under the same owner gets "<name>_1", "<name>_2", ...
std::string UniqueRootName(const TComponent& root, std::string_view name) {
  std::string candidate(name);
  TComponent* owner = root.Owner();
  for (int i = 1;
       owner && owner->FindComponent(candidate) && owner->FindComponent(candidate) != &root; ++i) {
    candidate = Format("%s_%d", name, i);
  }
  return candidate;
}
}  // namespace

void TReader::ReadRoot(TComponent& root, std::vector<TComponent*>& loaded,
                       std::vector<TComponent*>& created, std::vector<Fixup>& fixups) {
  root_ = &root;
  loaded_ = &loaded;
  created_ = &created;
  fixups_ = &fixups;
  binary_.ReadSignature();
  TObjectHeader header;
  binary_.ReadObjectHeader(header);
  const TClassInfo* cls = FindClassInfo(header.className);
  bool fits = SameText(header.className, root.ClassName());
  for (const TClassInfo* c = &root.ClassInfo(); c && !fits; c = c->parent) {
    fits = SameText(c->name, header.className);
  }
  if (!fits && !(cls && root.InheritsFrom(*cls))) {
    throw EReadError(Format("Error reading %s: the description is of class %s", root.ClassName(),
                            header.className));
  }
  if (!header.objectName.empty()) root.SetName(UniqueRootName(root, header.objectName));
  ReadProperties(root);
  ReadChildren(root);
}

void TReader::ReadProperties(TComponent& component) {
  while (!binary_.EndOfList()) {
    std::string name;
    try {
      name = binary_.ReadPropertyName();
    } catch (const EPlacedReadError&) {
      throw;
    } catch (const Exception& e) {
      ComponentError(component, e.Message());
    }
    ReadProperty(component, component, name, name);
  }
  binary_.ReadListEnd();
}

void TReader::ReadProperty(TPersistent& object, TComponent& component, std::string_view name,
                           std::string_view shownAs) {
  try {
    ReadPropertyValue(object, component, name, shownAs);
  } catch (const EPlacedReadError&) {
    throw;
  } catch (const Exception& e) {
    PropertyError(component, shownAs, e.Message());
  }
}

void TReader::ReadPropertyValue(TPersistent& object, TComponent& component, std::string_view name,
                                std::string_view shownAs) {
  // A kept property may have a dotted name of its own ("GlassFrame.Enabled").
  if (const TPropInfo* whole = object.ClassInfo().FindProp(name)) {
    ReadValue(object, *whole, component, shownAs);
    return;
  }
  // A dotted name walks through owned sub-objects: "Font.Name".
  TPersistent* target = &object;
  std::string_view rest = name;
  for (std::size_t dot = rest.find('.'); dot != std::string_view::npos; dot = rest.find('.')) {
    const TPropInfo* sub = target->ClassInfo().FindProp(rest.substr(0, dot));
    if (!sub || sub->kind != TPropKind::Object) {
      throw EReadError(Format("Property %s does not exist", name));
    }
    target = sub->getObj(*target);
    rest = rest.substr(dot + 1);
  }
  if (const TPropInfo* prop = target->ClassInfo().FindProp(rest)) {
    ReadValue(*target, *prop, component, shownAs);
    return;
  }
  definedName_ = rest;
  definedRead_ = false;
  target->DefineProperties(*this);
  definedName_ = {};
  if (!definedRead_) throw EReadError(Format("Property %s does not exist", name));
}

void TReader::ReadValue(TPersistent& object, const TPropInfo& prop, TComponent& component,
                        std::string_view shownAs) {
  auto invalid = [](std::string_view what) {
    throw EReadError(Format("Invalid property value %s", what));
  };
  switch (prop.kind) {
    case TPropKind::Integer:
      prop.setOrd(object, binary_.ReadInteger());
      break;
    case TPropKind::Boolean:
      prop.setOrd(object, binary_.ReadBoolean() ? 1 : 0);
      break;
    case TPropKind::Enum: {
      std::string ident = binary_.ReadIdent();
      std::int64_t v = prop.enumNames->ValueOf(ident);
      if (v < 0) invalid(ident);
      prop.setOrd(object, v);
      break;
    }
    case TPropKind::Set: {
      if (binary_.ReadValueType() != TValueType::vaSet) binary_.Error("set expected");
      std::int64_t bits = 0;
      for (std::string_view e = binary_.ReadSetElement(); !e.empty();
           e = binary_.ReadSetElement()) {
        std::int64_t v = prop.enumNames->ValueOf(e);
        if (v < 0 || v > 62) invalid(e);
        bits |= std::int64_t{1} << v;
      }
      prop.setOrd(object, bits);
      break;
    }
    case TPropKind::Ident: {
      std::int64_t v = 0;
      if (binary_.NextValue() == TValueType::vaIdent) {
        std::string ident = binary_.ReadIdent();
        if (!prop.identMap->ValueOf(ident, v)) invalid(ident);
      } else {
        v = binary_.ReadInteger();
      }
      prop.setOrd(object, v);
      break;
    }
    case TPropKind::String:
      prop.setStr(object, binary_.ReadString());
      break;
    case TPropKind::Float:
      prop.setFloat(object, ReadFloat());
      break;
    case TPropKind::Component:
      if (binary_.NextValue() == TValueType::vaNil) {
        binary_.ReadValueType();
        prop.setComp(object, nullptr);
      } else {
        fixups_->push_back(
            {&object, &prop, binary_.ReadIdent(), PathOf(component), std::string(shownAs)});
      }
      break;
    case TPropKind::Event: {
      TEventBase* event = prop.getEvent(object);
      if (binary_.NextValue() == TValueType::vaNil) {
        binary_.ReadValueType();
        event->Clear();
        break;
      }
      std::string method = binary_.ReadIdent();
      const TMethodInfo* info = root_->FindMethod(method);
      if (!info) throw EReadError(Format("Method %s not found", method));
      if (!event->Bind(*root_, *info)) {
        throw EReadError(Format("Method %s does not have the parameters of %s", method, prop.name));
      }
      break;
    }
    case TPropKind::Object: {
      auto* collection = dynamic_cast<TCollection*>(prop.getObj(object));
      if (!collection || binary_.NextValue() != TValueType::vaCollection) {
        invalid("(a collection was expected)");
      }
      ReadCollection(*collection, component, shownAs);
      break;
    }
    case TPropKind::Kept:
      object.SetKeptValue(prop.name, ReadRawValue());
      break;
  }
}

void TReader::ReadCollection(TCollection& collection, TComponent& component,
                             std::string_view shownAs) {
  binary_.ReadValueType();  // vaCollection
  collection.BeginUpdate();
  try {
    collection.Clear();
    while (!binary_.EndOfList()) {
      SkipItemIndex();
      binary_.ReadListBegin();
      TCollectionItem& item = collection.Add();
      while (!binary_.EndOfList()) {
        std::string name(binary_.ReadPropertyName());
        ReadProperty(item, component, name,
                     Format("%s[%d].%s", shownAs, collection.Count() - 1, name));
      }
      binary_.ReadListEnd();
    }
    binary_.ReadListEnd();
  } catch (...) {
    collection.EndUpdate();
    throw;
  }
  collection.EndUpdate();
}

void TReader::SkipItemIndex() {
  // An item may be preceded by its index, which the order already gives.
  switch (binary_.NextValue()) {
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32:
      binary_.ReadInteger();
      break;
    default:
      break;
  }
}

std::vector<std::uint8_t> TReader::ReadRawValue() {
  std::size_t start = binary_.Position();
  SkipValue(0);
  return std::vector<std::uint8_t>(data_ + start, data_ + binary_.Position());
}

void TReader::SkipValue(int depth) {
  if (depth > kMaxFormDepth) binary_.Error("values nested too deeply");
  TValueType t = binary_.ReadValueType();
  switch (t) {
    case TValueType::vaNull:
      binary_.Error("value expected");
    case TValueType::vaList:
      while (!binary_.EndOfList()) SkipValue(depth + 1);
      binary_.ReadListEnd();
      break;
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32:
    case TValueType::vaInt64:
      binary_.ReadIntegerBody(t);
      break;
    case TValueType::vaExtended:
      binary_.ReadExtendedBody();
      break;
    case TValueType::vaSingle:
      binary_.ReadSingleBody();
      break;
    case TValueType::vaDate:
      binary_.ReadDateBody();
      break;
    case TValueType::vaCurrency:
      binary_.ReadCurrencyBody();
      break;
    case TValueType::vaString:
    case TValueType::vaLString:
    case TValueType::vaUtf8String:
      binary_.ReadStringBody(t);
      break;
    case TValueType::vaWString:
      binary_.ReadWStringBody();
      break;
    case TValueType::vaIdent:
      binary_.ReadIdentBody();
      break;
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
      break;
    case TValueType::vaSet:
      while (!binary_.ReadSetElement().empty()) {
      }
      break;
    case TValueType::vaCollection:
      while (!binary_.EndOfList()) {
        SkipItemIndex();
        binary_.ReadListBegin();
        while (!binary_.EndOfList()) {
          binary_.ReadPropertyName();
          SkipValue(depth + 1);
        }
        binary_.ReadListEnd();
      }
      binary_.ReadListEnd();
      break;
    case TValueType::vaBinary:
      binary_.ReadBinaryBody();
      break;
  }
}

void TReader::ReadChildren(TComponent& parent) {
  while (!binary_.EndOfList()) {
    TObjectHeader header;
    try {
      binary_.ReadObjectHeader(header);
    } catch (const Exception& e) {
      ComponentError(parent, e.Message());
    }
    std::string name(header.objectName);
    TComponent* child = nullptr;
    if (header.flags & kFlagInherited) {
      child = root_->FindComponent(name);
      if (!child) {
        throw EReadError(
            Format("Error reading %s: Ancestor for '%s' not found", root_->Name(), name));
      }
    } else {
      const TClassInfo& cls = RequireClassInfo(header.className);
      if (!cls.create) {
        throw EClassNotFound(Format("Class %s cannot be created by name", header.className));
      }
      child = cls.create(root_);
      created_->push_back(child);
      try {
        child->SetName(name);
      } catch (const Exception& e) {
        throw EReadError(Format("Error reading %s: %s", root_->Name(), e.Message()));
      }
    }
    if (std::find(loaded_->begin(), loaded_->end(), child) == loaded_->end()) {
      loaded_->push_back(child);
    }
    child->SetLoading(true);
    child->SetReading(true);
    child->SetParentComponent(&parent);
    ReadProperties(*child);
    ReadChildren(*child);
    child->SetReading(false);
  }
  binary_.ReadListEnd();
}

void ReadDescription(TComponent& root, std::span<const std::uint8_t> description) {
  std::span<const std::uint8_t> one[] = {description};
  ReadDescriptions(root, one);
}

// Holds the state of one reading step across several descriptions.
class TDescriptionLoader {
 public:
  explicit TDescriptionLoader(TComponent& root) : root_(root) {}

  void Read(std::span<const std::span<const std::uint8_t>> descriptions) {
    TLockGuard lock(GlobalNameSpace());
    root_.SetLoading(true);
    root_.SetReading(true);
    try {
      for (std::span<const std::uint8_t> d : descriptions) {
        TReader reader(d.data(), d.size());
        reader.ReadRoot(root_, loaded_, created_, fixups_);
      }
      Resolve();
      for (const TFieldInfo* f : Fields()) f->bind(root_, root_.FindComponent(f->name));
    } catch (...) {
      Undo();
      throw;
    }
    root_.SetReading(false);
    for (TComponent* c : loaded_) c->Loaded();
    root_.Loaded();
  }

 private:
  std::vector<const TFieldInfo*> Fields() const {
    std::vector<const TFieldInfo*> fields;
    for (const TClassInfo* c = &root_.ClassInfo(); c; c = c->parent) {
      for (const TFieldInfo& f : c->fields) fields.push_back(&f);
    }
    return fields;
  }

  void Resolve() {
    for (const TReader::Fixup& f : fixups_) {
      TComponent* target = SameText(f.name, root_.Name()) ? &root_ : root_.FindComponent(f.name);
      if (!target) {
        throw EReadError(
            Format("Error reading %s.%s: Component %s not found", f.path, f.shownAs, f.name));
      }
      try {
        f.prop->setComp(*f.target, target);
      } catch (const Exception& e) {
        throw EReadError(Format("Error reading %s.%s: %s", f.path, f.shownAs, e.Message()));
      }
    }
  }

  // Leaves nothing half-built: the components this step made go again.
  void Undo() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) delete *it;
    for (TComponent* c : loaded_) {
      if (std::find(created_.begin(), created_.end(), c) == created_.end()) {
        c->SetLoading(false);
        c->SetReading(false);
      }
    }
    root_.SetLoading(false);
    root_.SetReading(false);
  }

  TComponent& root_;
  std::vector<TComponent*> loaded_;
  std::vector<TComponent*> created_;
  std::vector<TReader::Fixup> fixups_;
};

void ReadDescriptions(TComponent& root,
                      std::span<const std::span<const std::uint8_t>> descriptions) {
  TDescriptionLoader(root).Read(descriptions);
}

std::vector<std::span<const std::uint8_t>> InheritedDescriptions(
    const TClassInfo& rootClass, const TClassInfo& stopClass,
    const std::function<std::span<const std::uint8_t>(const char* className)>& find) {
  std::vector<std::span<const std::uint8_t>> found;
  for (const TClassInfo* c = &rootClass; c && c != &stopClass; c = c->parent) {
    std::span<const std::uint8_t> d = find(c->name);
    if (!d.empty()) found.insert(found.begin(), d);
  }
  if (found.empty()) throw EResNotFound(Format("Resource %s not found", rootClass.name));
  return found;
}
