// Events: a component's event property holds a callable and, when a description (or a
// form's code) bound it to a published method of the root, that method's name, so the
// writer can store it again.
//
// Published methods are listed in a form class's method table with KIV_METHOD; an event
// binds only to a method whose parameter list is its own.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include "Gui/ClassInfo.h"

class TComponent;

class TEventBase {
 public:
  virtual ~TEventBase() = default;
  // The published method's name, empty when the handler is not a published method.
  const std::string& MethodName() const { return methodName_; }
  // Binds the event to `method` of `root`; false when the parameter lists differ.
  virtual bool Bind(TComponent& root, const TMethodInfo& method) = 0;
  virtual void Clear() = 0;
  virtual bool Assigned() const = 0;

 protected:
  std::string methodName_;
};

// One object per parameter list; its address identifies the list.
template <typename... Args>
struct TEventSignature {
  static constexpr char tag = 0;
};

template <typename... Args>
class TEvent : public TEventBase {
 public:
  using Handler = std::function<void(Args...)>;

  TEvent() = default;
  TEvent& operator=(Handler handler) {
    handler_ = std::move(handler);
    methodName_.clear();
    return *this;
  }
  TEvent& operator=(std::nullptr_t) {
    Clear();
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(handler_); }
  void operator()(Args... args) const {
    if (handler_) handler_(std::forward<Args>(args)...);
  }

  bool Bind(TComponent& root, const TMethodInfo& method) override {
    if (method.signature != &TEventSignature<Args...>::tag) return false;
    using Thunk = void (*)(TComponent&, Args...);
    Thunk thunk = *static_cast<const Thunk*>(method.thunk);
    TComponent* target = &root;
    handler_ = [target, thunk](Args... args) { thunk(*target, std::forward<Args>(args)...); };
    methodName_ = method.name;
    return true;
  }
  void Clear() override {
    handler_ = nullptr;
    methodName_.clear();
  }
  bool Assigned() const override { return static_cast<bool>(handler_); }

 private:
  Handler handler_;
};

using TNotifyEvent = TEvent<TComponent*>;

// Method and field table rows, built from member pointers.
template <auto Method>
struct TMethodTraits;
template <typename C, typename... Args, void (C::*Method)(Args...)>
struct TMethodTraits<Method> {
  static void Call(TComponent& root, Args... args) {
    (static_cast<C&>(root).*Method)(std::forward<Args>(args)...);
  }
  static constexpr void (*kThunk)(TComponent&, Args...) = &Call;
  static constexpr const void* Signature() { return &TEventSignature<Args...>::tag; }
};

template <auto Field>
struct TFieldTraits;
template <typename C, typename T, T* C::*Field>
struct TFieldTraits<Field> {
  static void Bind(TComponent& root, TComponent* component);
};

// A row of a method table: KIV_METHOD(TForm1, Timer1Timer).
#define KIV_METHOD(Class, Name)                                           \
  TMethodInfo {                                                           \
#Name, TMethodTraits < &Class::Name> ::Signature(),                   \
        static_cast < const void*>(&TMethodTraits <&Class::Name>::kThunk) \
  }
// A row of a field table: KIV_FIELD(TForm1, Timer1).
#define KIV_FIELD(Class, Name) \
  TFieldInfo { #Name, &TFieldTraits < &Class::Name> ::Bind }
