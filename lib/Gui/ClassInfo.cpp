#include "Gui/ClassInfo.h"

#include <vector>

#include "Gui/Persistent.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/WideText.h"

const TClassInfo TPersistent::kClassInfo{"TPersistent", nullptr, nullptr, {}, {}, {}};

const char* TEnumNames::NameOf(std::int64_t value) const {
  if (value < 0 || value >= static_cast<std::int64_t>(names.size())) return nullptr;
  return names[static_cast<std::size_t>(value)];
}

std::int64_t TEnumNames::ValueOf(std::string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameText(names[i], name)) return static_cast<std::int64_t>(i);
  }
  return -1;
}

const char* TIdentMap::NameOf(std::int64_t value) const {
  for (const TIdentMapEntry& e : entries) {
    if (e.value == value) return e.name;
  }
  return nullptr;
}

bool TIdentMap::ValueOf(std::string_view name, std::int64_t& value) const {
  for (const TIdentMapEntry& e : entries) {
    if (SameText(e.name, name)) {
      value = e.value;
      return true;
    }
  }
  return false;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->parent) {
    if (c == &other) return true;
  }
  return false;
}

const TPropInfo* TClassInfo::FindProp(std::string_view propName) const {
  for (const TClassInfo* c = this; c; c = c->parent) {
    for (const TPropInfo& p : c->props) {
      if (SameText(p.name, propName)) return &p;
    }
  }
  return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view methodName) const {
  for (const TClassInfo* c = this; c; c = c->parent) {
    for (const TMethodInfo& m : c->methods) {
      if (SameText(m.name, methodName)) return &m;
    }
  }
  return nullptr;
}

namespace {
// The registry is filled on the GUI thread before descriptions are read; a
// function-local static needs no start-up code.
std::vector<const TClassInfo*>& Registry() {
  static std::vector<const TClassInfo*> classes;
  return classes;
}
}  // namespace

void RegisterClassInfo(const TClassInfo& info) {
  if (!FindClassInfo(info.name)) Registry().push_back(&info);
}

const TClassInfo* FindClassInfo(std::string_view className) {
  for (const TClassInfo* c : Registry()) {
    if (SameText(c->name, className)) return c;
  }
  return nullptr;
}

const TClassInfo& RequireClassInfo(std::string_view className) {
  const TClassInfo* info = FindClassInfo(className);
  if (!info) throw EClassNotFound(Format("Class %s not found", className));
  return *info;
}
