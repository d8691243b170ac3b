// TComponent: the toolkit's owned-object tree, the unit a form description stores.
//
// An owner destroys the components it owns, newest first. Names are identifiers,
// unique among the components of one owner (case ignored); the owner validates every
// rename first. Components that asked for it, and every sibling, are told when a
// component goes away (Notification with opRemove), so references never dangle.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Gui/Events.h"
#include "Gui/Persistent.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

enum TComponentStateFlag : unsigned {
  csLoading = 0x001,  // its description is being read; Loaded clears it
  csReading = 0x002,
  csWriting = 0x004,
  csDestroying = 0x008,
  csDesigning = 0x010,  // never set by this toolkit: there is no designer
  csAncestor = 0x020,
  csFreeNotification = 0x040,
  csInline = 0x080,
};

enum class TOperation { opInsert, opRemove };

// A 128-bit interface identifier.
struct TGuid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
  friend bool operator==(const TGuid&, const TGuid&) = default;
};

// The reference-counting interface every interface of the toolkit extends. Components
// are owned by their owner, so their counts change nothing.
class IInterface {
 public:
  virtual long QueryInterface(const TGuid& iid, void** object) = 0;
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;

 protected:
  ~IInterface() = default;
};

class TComponent : public TPersistent {
  KIV_CLASS_INFO()

 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Renames after the owner's validation: an empty name or an identifier; raises
  // EComponentError "'%s' is not a valid component name" or "A component named %s
  // already exists".
  void SetName(const std::string& name);
  std::int64_t Tag() const { return tag_; }
  void SetTag(std::int64_t tag) { tag_ = tag; }

  unsigned ComponentState() const { return state_; }
  bool HasState(unsigned flags) const { return (state_ & flags) != 0; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  int ComponentIndex() const;
  // The owned component of that name (ignoring case), or null.
  TComponent* FindComponent(std::string_view name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Destroys the owned components now, newest first.
  void DestroyComponents();

  // Asks to be told (Notification with opRemove) when `component` goes away.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Published methods, for event properties of descriptions.
  const TMethodInfo* FindMethod(std::string_view name) const {
    return ClassInfo().FindMethod(name);
  }

  // Interfaces the component implements (IKivTrxForm on translatable forms).
  virtual bool GetInterface(const TGuid& iid, void** object);

  // Where a component without a parent sat on the design surface: not used at run
  // time, but kept so a description reads and writes back unchanged.
  int DesignLeft() const { return designLeft_; }
  int DesignTop() const { return designTop_; }
  void DefineProperties(TFiler& filer) override;

  // Streaming. Loaded runs once after the component's description has been read.
  virtual void Loaded();
  // Where the reader places a component stored inside `parent` (a control's parent,
  // a menu item's menu); the component itself decides.
  virtual void SetParentComponent(TComponent* parent) {}
  virtual TComponent* GetParentComponent() const { return nullptr; }
  // True for components a description stores inside their parent component.
  virtual bool HasParent() const { return false; }
  // Calls `proc` for each component stored inside this one, in order.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);

  // Called before a component of this one is renamed from `currentName` to `newName`;
  // raises to refuse.
  virtual void ValidateRename(TComponent* component, const std::string& currentName,
                              const std::string& newName);

  void SetLoading(bool on) { SetState(csLoading, on); }
  void SetReading(bool on) { SetState(csReading, on); }

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  void SetState(unsigned flags, bool on) { state_ = on ? (state_ | flags) : (state_ & ~flags); }
  // Sets csDestroying here and on every owned component.
  void Destroying();

 private:
  void Insert(TComponent* c);
  void Remove(TComponent* c);
  void AddFreeNotify(TComponent* c);
  void RemoveFreeNotify(TComponent* c);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::int64_t tag_ = 0;
  int designLeft_ = 0;
  int designTop_ = 0;
  unsigned state_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

// The lock every form creation and description read holds, so the name space of
// components does not change under a reader.
class TCriticalSection;
TCriticalSection& GlobalNameSpace();

template <typename C, typename T, T* C::*Field>
void TFieldTraits<Field>::Bind(TComponent& root, TComponent* component) {
  T* typed = nullptr;
  if (component) {
    typed = dynamic_cast<T*>(component);
    if (!typed) {
      throw EReadError(Format("Field %s.%s does not fit the component's class %s", root.Name(),
                              component->Name(), component->ClassName()));
    }
  }
  static_cast<C&>(root).*Field = typed;
}
