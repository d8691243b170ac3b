// Run-time class information: what a stored form description needs to know about a
// class. Every streamable class has one constant TClassInfo: its name, its parent's
// information, a factory (for classes created by name while a description is read),
// and three small tables: published properties, published methods (event handlers a
// description may name) and component fields (members bound to components by name).
//
// The tables are constant data built with the helpers of Properties.h; lookups walk up
// the class ladder, so a derived class lists only what it adds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class TComponent;
class TPersistent;
class TEventBase;

// The names of an enumeration's values (value i is names[i]) or of a set's elements
// (bit i is names[i]).
struct TEnumNames {
  std::span<const char* const> names;
  // The value's name, or null when it has none.
  const char* NameOf(std::int64_t value) const;
  // The value of a name, or -1.
  std::int64_t ValueOf(std::string_view name) const;
};

// Integer values that have names (colours, character sets, cursors). A value without a
// name is stored as a number.
struct TIdentMapEntry {
  std::int64_t value;
  const char* name;
};
struct TIdentMap {
  std::span<const TIdentMapEntry> entries;
  const char* NameOf(std::int64_t value) const;
  bool ValueOf(std::string_view name, std::int64_t& value) const;
};

enum class TPropKind {
  Integer,  // any integer; also characters and 64-bit values
  Boolean,
  Enum,    // an identifier from `enumNames`
  Set,     // a set of identifiers from `enumNames`, held as bits
  Ident,   // an integer written as a name from `identMap` where it has one
  String,  // wide text
  Float,
  Component,  // a reference to another component, by name
  Event,      // the name of a published method of the root
  Object,     // an owned sub-object whose own properties are stored under this name
  // A property of the development tools that has no behaviour here (a design-time
  // position, say): its stored value is kept as it was read and written back, so a
  // description read and written again loses nothing. Its name may be dotted.
  Kept,
};

// One published property: how to get and set its value and when it is stored. Which
// accessor pair is set depends on the kind: ordinal kinds (Integer, Boolean, Enum,
// Set, Ident) use getOrd/setOrd, String getStr/setStr, Float getFloat/setFloat,
// Component getComp/setComp, Event getEvent, Object getObj; Kept needs none (the
// value lives in the object's kept values).
struct TPropInfo {
  const char* name = nullptr;
  TPropKind kind = TPropKind::Integer;
  const TEnumNames* enumNames = nullptr;
  const TIdentMap* identMap = nullptr;

  std::int64_t (*getOrd)(const TPersistent&) = nullptr;
  void (*setOrd)(TPersistent&, std::int64_t) = nullptr;
  std::u16string (*getStr)(const TPersistent&) = nullptr;
  void (*setStr)(TPersistent&, const std::u16string&) = nullptr;
  double (*getFloat)(const TPersistent&) = nullptr;
  void (*setFloat)(TPersistent&, double) = nullptr;
  TComponent* (*getComp)(const TPersistent&) = nullptr;
  void (*setComp)(TPersistent&, TComponent*) = nullptr;
  TEventBase* (*getEvent)(TPersistent&) = nullptr;
  TPersistent* (*getObj)(TPersistent&) = nullptr;

  // Ordinal kinds: the value that is not stored. Without one the value is always
  // stored (unless it equals the ancestor's).
  bool hasDefault = false;
  std::int64_t defaultOrd = 0;
  // When set, the property is stored only when this says so.
  bool (*stored)(const TPersistent&) = nullptr;
};

// A published method: a member function of a form class that event properties of a
// description may name. `signature` identifies the parameter list; `thunk` is a plain
// function that calls the member function on the root (see Events.h).
struct TMethodInfo {
  const char* name;
  const void* signature;
  const void* thunk;  // points to the thunk function pointer; see Events.h
};

// A component field: a member of a form class that is bound to the component of the
// same name once a description has been read. `bind` checks the component's class and
// stores it (null when the form has no such component).
struct TFieldInfo {
  const char* name;
  void (*bind)(TComponent& root, TComponent* component);
};

class TClassInfo {
 public:
  const char* name;
  const TClassInfo* parent;
  // Creates an instance owned by `owner`; null for classes that cannot be created by
  // name.
  TComponent* (*create)(TComponent* owner);
  std::span<const TPropInfo> props;
  std::span<const TMethodInfo> methods;
  std::span<const TFieldInfo> fields;

  bool InheritsFrom(const TClassInfo& other) const;
  // Looked up in this class and its ancestors; case is ignored, as in descriptions.
  const TPropInfo* FindProp(std::string_view propName) const;
  const TMethodInfo* FindMethod(std::string_view methodName) const;
  // The published properties of the whole ladder, base class first; a property a
  // descendant publishes again (with another default, say) comes in its place.
  template <typename F>
  void ForEachProp(F&& f) const {
    ForEachPropOf(*this, f);
  }

 private:
  template <typename F>
  void ForEachPropOf(const TClassInfo& most, F& f) const {
    if (parent) parent->ForEachPropOf(most, f);
    for (const TPropInfo& p : props) {
      if (most.FindProp(p.name) == &p) f(p);
    }
  }

 public:
};

// The classes a description may create by name. Registering a name twice keeps the
// first registration.
void RegisterClassInfo(const TClassInfo& info);
// The class registered under `className` (case ignored), or null.
const TClassInfo* FindClassInfo(std::string_view className);
// The same, raising EClassNotFound "Class %s not found" when there is none.
const TClassInfo& RequireClassInfo(std::string_view className);

// Declares a class's run-time information inside its class body.
#define KIV_CLASS_INFO()                                              \
 public:                                                              \
  static const TClassInfo kClassInfo;                                 \
  const TClassInfo& ClassInfo() const override { return kClassInfo; } \
                                                                      \
 private:
