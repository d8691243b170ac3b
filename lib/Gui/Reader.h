// TReader: reads stored form descriptions (the binary form format) into components.
//
// A description names the root's class and properties, then the components stored in
// it, each with its class, name, properties and own stored components. Components are
// created by class name through the class registry, properties set through the
// classes' property tables, event properties bound to the root's published methods,
// references to other components resolved once everything is read, and the root's
// component fields bound to the components of their names.
//
// Errors: a class the registry does not know raises EClassNotFound "Class %s not
// found"; anything else raises EReadError naming where it happened:
// "Error reading <root>.<component>.<property>: <what>" for a property the class does
// not have, a value that does not fit or malformed data inside a value (the binary
// reader's "Invalid form data at offset <n>: ..." kept as <what>), and
// "Error reading <root>.<component>: <what>" for malformed data between properties.
// The root's own properties are named "<root>.<property>".
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "Gui/Persistent.h"

class TComponent;
class TCollection;

class TReader : public TFiler {
 public:
  TReader(const std::uint8_t* data, std::size_t size);

  // The root being read and the component whose property is being read.
  TComponent* Root() const { return root_; }

  // Value readers for DefineProperties implementations.
  TValueType NextValue() { return binary_.NextValue(); }
  bool EndOfList() { return binary_.EndOfList(); }
  void ReadListBegin() { binary_.ReadListBegin(); }
  void ReadListEnd() { binary_.ReadListEnd(); }
  std::int64_t ReadInteger() { return binary_.ReadInteger(); }
  bool ReadBoolean() { return binary_.ReadBoolean(); }
  // Any string kind; 8-bit strings through the system code page.
  std::u16string ReadString() { return binary_.ReadString(); }
  std::string ReadIdent() { return binary_.ReadIdent(); }
  double ReadFloat();
  TBinaryFormReader& Binary() { return binary_; }

  void DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                      const std::function<void(TWriter&)>& write, bool hasData) override;

 private:
  friend class TDescriptionLoader;
  struct Fixup {
    TPersistent* target;
    const struct TPropInfo* prop;
    std::string name;
    // Where the reference was read, for error messages.
    std::string path;
    std::string shownAs;
  };

  void ReadRoot(TComponent& root, std::vector<TComponent*>& loaded,
                std::vector<TComponent*>& created, std::vector<Fixup>& fixups);
  void ReadProperties(TComponent& component);
  // `shownAs` names the property in error messages ("Panels[1].Width").
  void ReadProperty(TPersistent& object, TComponent& component, std::string_view name,
                    std::string_view shownAs);
  void ReadPropertyValue(TPersistent& object, TComponent& component, std::string_view name,
                         std::string_view shownAs);
  void ReadValue(TPersistent& object, const struct TPropInfo& prop, TComponent& component,
                 std::string_view shownAs);
  void ReadCollection(TCollection& collection, TComponent& component, std::string_view shownAs);
  void SkipItemIndex();
  // One whole value, as its bytes (a kept property's).
  std::vector<std::uint8_t> ReadRawValue();
  void SkipValue(int depth);
  void ReadChildren(TComponent& parent);
  // "<root>.<component>", or the root's own name.
  std::string PathOf(const TComponent& component) const;
  [[noreturn]] void PropertyError(const TComponent& component, std::string_view name,
                                  std::string_view what) const;
  [[noreturn]] void ComponentError(const TComponent& component, std::string_view what) const;

  TBinaryFormReader binary_;
  const std::uint8_t* data_;
  TComponent* root_ = nullptr;
  std::vector<TComponent*>* loaded_ = nullptr;
  std::vector<TComponent*>* created_ = nullptr;
  std::vector<Fixup>* fixups_ = nullptr;
  // The defined property the current DefineProperties call is asked for.
  std::string_view definedName_;
  bool definedRead_ = false;
};

// Reads one or more descriptions into `root`, in order (an inherited form's base
// description first), as one step: components created by name, references
// resolved, the root's component fields bound, then Loaded called on every component
// read (root last). When anything fails, the components this step created are
// destroyed again and no field is bound.
void ReadDescriptions(TComponent& root,
                      std::span<const std::span<const std::uint8_t>> descriptions);
void ReadDescription(TComponent& root, std::span<const std::uint8_t> description);

// The descriptions of `root`'s class and of its ancestors down to, but not including,
// `stopClass`, base first, each fetched by `find` (by class name; an empty span when
// the class has none). Raises EResNotFound "Resource %s not found" with the root's
// class name when none is found.
std::vector<std::span<const std::uint8_t>> InheritedDescriptions(
    const TClassInfo& rootClass, const TClassInfo& stopClass,
    const std::function<std::span<const std::uint8_t>(const char* className)>& find);
