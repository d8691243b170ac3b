// Builders of published-property table rows from a class's getter and setter, so a
// class's table is a short list of constant rows:
//
//   constexpr TPropInfo kProps[] = {
//       IntProp<&TControl::Left, &TControl::SetLeft>("Left"),
//       StrProp<&TControl::Caption, &TControl::SetCaption>("Caption"),
//       EventProp<&TControl::OnClick>("OnClick"),
//   };
//
// Getters are const member functions returning the value; setters take it. Sets are
// held as unsigned bit masks (bit i is the set's element i).
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "Gui/ClassInfo.h"
#include "Gui/Persistent.h"

namespace props_detail {

template <typename T>
struct Getter;
template <typename C, typename R>
struct Getter<R (C::*)() const> {
  using Class = C;
  using Value = std::remove_cvref_t<R>;
};

template <typename T>
struct RefGetter;
template <typename C, typename R>
struct RefGetter<R& (C::*)()> {
  using Class = C;
  using Value = R;
};

template <typename T>
struct Member;
template <typename C, typename T>
struct Member<T C::*> {
  using Class = C;
  using Value = T;
};

template <auto Get, auto Set>
constexpr TPropInfo Ordinal(const char* name, TPropKind kind) {
  using C = typename Getter<decltype(Get)>::Class;
  using V = typename Getter<decltype(Get)>::Value;
  TPropInfo p;
  p.name = name;
  p.kind = kind;
  p.getOrd = [](const TPersistent& o) -> std::int64_t {
    return static_cast<std::int64_t>((static_cast<const C&>(o).*Get)());
  };
  p.setOrd = [](TPersistent& o, std::int64_t v) { (static_cast<C&>(o).*Set)(static_cast<V>(v)); };
  return p;
}

}  // namespace props_detail

// An integer; without a default it is always stored.
template <auto Get, auto Set>
constexpr TPropInfo IntProp(const char* name) {
  return props_detail::Ordinal<Get, Set>(name, TPropKind::Integer);
}
template <auto Get, auto Set>
constexpr TPropInfo IntProp(const char* name, std::int64_t def) {
  TPropInfo p = props_detail::Ordinal<Get, Set>(name, TPropKind::Integer);
  p.hasDefault = true;
  p.defaultOrd = def;
  return p;
}

template <auto Get, auto Set>
constexpr TPropInfo BoolProp(const char* name, bool def) {
  TPropInfo p = props_detail::Ordinal<Get, Set>(name, TPropKind::Boolean);
  p.hasDefault = true;
  p.defaultOrd = def ? 1 : 0;
  return p;
}

template <auto Get, auto Set>
constexpr TPropInfo EnumProp(const char* name, const TEnumNames& names, std::int64_t def) {
  TPropInfo p = props_detail::Ordinal<Get, Set>(name, TPropKind::Enum);
  p.enumNames = &names;
  p.hasDefault = true;
  p.defaultOrd = def;
  return p;
}

template <auto Get, auto Set>
constexpr TPropInfo SetProp(const char* name, const TEnumNames& names, std::int64_t def) {
  TPropInfo p = props_detail::Ordinal<Get, Set>(name, TPropKind::Set);
  p.enumNames = &names;
  p.hasDefault = true;
  p.defaultOrd = def;
  return p;
}

// An integer written as its name where the map has one (colours, character sets).
template <auto Get, auto Set>
constexpr TPropInfo IdentProp(const char* name, const TIdentMap& map) {
  TPropInfo p = props_detail::Ordinal<Get, Set>(name, TPropKind::Ident);
  p.identMap = &map;
  return p;
}
template <auto Get, auto Set>
constexpr TPropInfo IdentProp(const char* name, const TIdentMap& map, std::int64_t def) {
  TPropInfo p = IdentProp<Get, Set>(name, map);
  p.hasDefault = true;
  p.defaultOrd = def;
  return p;
}

// Wide text; stored when not empty.
template <auto Get, auto Set>
constexpr TPropInfo StrProp(const char* name) {
  using C = typename props_detail::Getter<decltype(Get)>::Class;
  TPropInfo p;
  p.name = name;
  p.kind = TPropKind::String;
  p.getStr = [](const TPersistent& o) -> std::u16string {
    return (static_cast<const C&>(o).*Get)();
  };
  p.setStr = [](TPersistent& o, const std::u16string& v) { (static_cast<C&>(o).*Set)(v); };
  return p;
}

// A floating-point value; stored when not 0.
template <auto Get, auto Set>
constexpr TPropInfo FloatProp(const char* name) {
  using C = typename props_detail::Getter<decltype(Get)>::Class;
  TPropInfo p;
  p.name = name;
  p.kind = TPropKind::Float;
  p.getFloat = [](const TPersistent& o) -> double {
    return static_cast<double>((static_cast<const C&>(o).*Get)());
  };
  p.setFloat = [](TPersistent& o, double v) { (static_cast<C&>(o).*Set)(v); };
  return p;
}

// A reference to another component; stored when set. The setter receives the
// component the name stands for, or null; it checks the class itself.
template <auto Get, auto Set>
constexpr TPropInfo CompProp(const char* name) {
  using C = typename props_detail::Getter<decltype(Get)>::Class;
  TPropInfo p;
  p.name = name;
  p.kind = TPropKind::Component;
  p.getComp = [](const TPersistent& o) -> TComponent* { return (static_cast<const C&>(o).*Get)(); };
  p.setComp = [](TPersistent& o, TComponent* v) { (static_cast<C&>(o).*Set)(v); };
  return p;
}

// An event: a public TEvent member.
template <auto Field>
constexpr TPropInfo EventProp(const char* name) {
  using C = typename props_detail::Member<decltype(Field)>::Class;
  TPropInfo p;
  p.name = name;
  p.kind = TPropKind::Event;
  p.getEvent = [](TPersistent& o) -> TEventBase* { return &(static_cast<C&>(o).*Field); };
  return p;
}

// An owned sub-object (a font, a string list, a collection), reached through a getter
// returning a reference. It is never replaced, only its content changes.
template <auto Get>
constexpr TPropInfo ObjProp(const char* name) {
  using C = typename props_detail::RefGetter<decltype(Get)>::Class;
  TPropInfo p;
  p.name = name;
  p.kind = TPropKind::Object;
  p.getObj = [](TPersistent& o) -> TPersistent* { return &(static_cast<C&>(o).*Get)(); };
  return p;
}

// A property kept without behaviour (see TPropKind::Kept).
constexpr TPropInfo KeptProp(const char* name) {
  TPropInfo p;
  p.name = name;
  p.kind = TPropKind::Kept;
  return p;
}

// The same row, stored only when `stored` says so.
constexpr TPropInfo Stored(TPropInfo p, bool (*stored)(const TPersistent&)) {
  p.stored = stored;
  return p;
}
