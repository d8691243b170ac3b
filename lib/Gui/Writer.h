// TWriter: stores a component and the components stored in it as a form description
// (the binary form format).
//
// Only what differs is written: a published property whose value differs from its
// default, or, when an ancestor is given (the same form as its inherited description
// builds it), from the ancestor's value; a defined stream property when its owner says
// it has data (which may depend on the ancestor, see TFiler::Ancestor). Components
// the ancestor has are written as inherited.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "Gui/Persistent.h"

class TComponent;
class TCollection;

class TWriter : public TFiler {
 public:
  explicit TWriter(std::vector<std::uint8_t>& out) : binary_(out), out_(out) {}

  // Writes the whole description of `root`; `ancestor` may be null.
  void WriteDescendent(TComponent& root, TComponent* ancestor);

  // Value writers for DefineProperties implementations.
  void WriteListBegin() { binary_.WriteListBegin(); }
  void WriteListEnd() { binary_.WriteListEnd(); }
  void WriteInteger(std::int64_t v) { binary_.WriteInteger(v); }
  void WriteBoolean(bool v) { binary_.WriteBoolean(v); }
  // Pure ASCII as an 8-bit string, anything else as wide text.
  void WriteString(std::u16string_view s) { binary_.WriteString(s); }
  void WriteWideString(std::u16string_view s) { binary_.WriteWideString(s); }
  void WriteIdent(std::string_view s) { binary_.WriteIdent(s); }
  void WriteFloat(double v) { binary_.WriteFloat(v); }
  TBinaryFormWriter& Binary() { return binary_; }

  void DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                      const std::function<void(TWriter&)>& write, bool hasData) override;
  TPersistent* Ancestor() const override { return ancestor_; }

 private:
  void WriteComponent(TComponent& component, TComponent* ancestor, bool isRoot);
  void WriteProperties(TPersistent& object, TPersistent* ancestor, const std::string& prefix);
  void WriteProperty(TPersistent& object, TPersistent* ancestor, const struct TPropInfo& prop,
                     const std::string& prefix);
  void WriteCollection(TCollection& collection);
  std::string ReferenceName(const TComponent* component) const;

  TBinaryFormWriter binary_;
  // The same bytes binary_ appends to: kept values go there as they were read.
  std::vector<std::uint8_t>& out_;
  TComponent* root_ = nullptr;
  TComponent* ancestorRoot_ = nullptr;
  TPersistent* ancestor_ = nullptr;
  std::string prefix_;
};

// The description of `root` as bytes (see TWriter).
std::vector<std::uint8_t> WriteDescription(TComponent& root, TComponent* ancestor = nullptr);
