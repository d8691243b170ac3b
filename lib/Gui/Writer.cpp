#include "Gui/Writer.h"

#include "Gui/Collection.h"
#include "Gui/Component.h"
#include "Rtl/WideText.h"

namespace {

// A row of the object's class is used on the ancestor only when the ancestor's class
// has that very row (the rows cast their object to the class declaring them).
bool HasRow(TPersistent* ancestor, const TPropInfo& p) {
  return ancestor && ancestor->ClassInfo().FindProp(p.name) == &p;
}

}  // namespace

void TWriter::WriteDescendent(TComponent& root, TComponent* ancestor) {
  root_ = &root;
  ancestorRoot_ = ancestor;
  binary_.WriteSignature();
  WriteComponent(root, ancestor, true);
}

void TWriter::WriteComponent(TComponent& component, TComponent* ancestor, bool isRoot) {
  TObjectHeader header;
  if (ancestor) header.flags = kFlagInherited;
  std::string className = component.ClassName();
  header.className = className;
  header.objectName = component.Name();
  binary_.WriteObjectHeader(header);
  WriteProperties(component, ancestor, std::string());
  binary_.WriteListEnd();
  component.GetChildren(
      [&](TComponent* child) {
        TComponent* childAncestor = ancestorRoot_ && !child->Name().empty()
                                        ? ancestorRoot_->FindComponent(child->Name())
                                        : nullptr;
        WriteComponent(*child, childAncestor, false);
      },
      root_);
  binary_.WriteListEnd();
}

void TWriter::WriteProperties(TPersistent& object, TPersistent* ancestor,
                              const std::string& prefix) {
  object.ClassInfo().ForEachProp(
      [&](const TPropInfo& p) { WriteProperty(object, ancestor, p, prefix); });
  TPersistent* savedAncestor = ancestor_;
  std::string savedPrefix = prefix_;
  ancestor_ = ancestor;
  prefix_ = prefix;
  object.DefineProperties(*this);
  ancestor_ = savedAncestor;
  prefix_ = savedPrefix;
}

void TWriter::DefineProperty(std::string_view name, const std::function<void(TReader&)>&,
                             const std::function<void(TWriter&)>& write, bool hasData) {
  if (!hasData || !write) return;
  binary_.WritePropertyName(prefix_ + std::string(name));
  write(*this);
}

std::string TWriter::ReferenceName(const TComponent* component) const {
  return component ? component->Name() : std::string();
}

void TWriter::WriteProperty(TPersistent& object, TPersistent* ancestor, const TPropInfo& p,
                            const std::string& prefix) {
  if (p.stored && !p.stored(object)) return;
  if (!HasRow(ancestor, p)) ancestor = nullptr;
  std::string name = prefix + p.name;
  switch (p.kind) {
    case TPropKind::Integer:
    case TPropKind::Boolean:
    case TPropKind::Enum:
    case TPropKind::Set:
    case TPropKind::Ident: {
      std::int64_t v = p.getOrd(object);
      if (ancestor ? v == p.getOrd(*ancestor) : (p.hasDefault && v == p.defaultOrd)) return;
      binary_.WritePropertyName(name);
      if (p.kind == TPropKind::Boolean) {
        binary_.WriteBoolean(v != 0);
      } else if (p.kind == TPropKind::Enum) {
        const char* ident = p.enumNames->NameOf(v);
        if (ident) {
          binary_.WriteIdent(ident);
        } else {
          binary_.WriteInteger(v);
        }
      } else if (p.kind == TPropKind::Set) {
        binary_.WriteValueType(TValueType::vaSet);
        for (std::size_t i = 0; i < p.enumNames->names.size() && i < 63; ++i) {
          if (v & (std::int64_t{1} << i)) binary_.WriteSetElement(p.enumNames->names[i]);
        }
        binary_.WriteSetElement("");
      } else if (p.kind == TPropKind::Ident && p.identMap->NameOf(v)) {
        binary_.WriteIdent(p.identMap->NameOf(v));
      } else {
        binary_.WriteInteger(v);
      }
      break;
    }
    case TPropKind::String: {
      std::u16string v = p.getStr(object);
      if (ancestor ? v == p.getStr(*ancestor) : v.empty()) return;
      binary_.WritePropertyName(name);
      binary_.WriteString(v);
      break;
    }
    case TPropKind::Float: {
      double v = p.getFloat(object);
      if (ancestor ? v == p.getFloat(*ancestor) : v == 0) return;
      binary_.WritePropertyName(name);
      binary_.WriteFloat(v);
      break;
    }
    case TPropKind::Component: {
      std::string v = ReferenceName(p.getComp(object));
      if (ancestor ? v == ReferenceName(p.getComp(*ancestor)) : v.empty()) return;
      binary_.WritePropertyName(name);
      if (v.empty()) {
        binary_.WriteNil();
      } else {
        binary_.WriteIdent(v);
      }
      break;
    }
    case TPropKind::Event: {
      const std::string& v = p.getEvent(object)->MethodName();
      if (ancestor ? v == p.getEvent(*ancestor)->MethodName() : v.empty()) return;
      binary_.WritePropertyName(name);
      if (v.empty()) {
        binary_.WriteNil();
      } else {
        binary_.WriteIdent(v);
      }
      break;
    }
    case TPropKind::Object: {
      TPersistent* sub = p.getObj(object);
      TPersistent* subAncestor = ancestor ? p.getObj(*ancestor) : nullptr;
      if (auto* collection = dynamic_cast<TCollection*>(sub)) {
        auto* ancestorCollection = dynamic_cast<TCollection*>(subAncestor);
        if (ancestorCollection ? collection->SameContent(*ancestorCollection)
                               : collection->Count() == 0) {
          return;
        }
        binary_.WritePropertyName(name);
        WriteCollection(*collection);
      } else {
        WriteProperties(*sub, subAncestor, name + ".");
      }
      break;
    }
    case TPropKind::Kept: {
      const std::vector<std::uint8_t>* v = object.KeptValue(p.name);
      const std::vector<std::uint8_t>* a = ancestor ? ancestor->KeptValue(p.name) : nullptr;
      if (!v || (a && *a == *v)) return;
      binary_.WritePropertyName(name);
      out_.insert(out_.end(), v->begin(), v->end());
      break;
    }
  }
}

void TWriter::WriteCollection(TCollection& collection) {
  binary_.WriteValueType(TValueType::vaCollection);
  for (int i = 0; i < collection.Count(); ++i) {
    binary_.WriteListBegin();
    WriteProperties(collection.Items(i), nullptr, std::string());
    binary_.WriteListEnd();
  }
  binary_.WriteListEnd();
}

std::vector<std::uint8_t> WriteDescription(TComponent& root, TComponent* ancestor) {
  std::vector<std::uint8_t> out;
  TWriter writer(out);
  writer.WriteDescendent(root, ancestor);
  return out;
}
