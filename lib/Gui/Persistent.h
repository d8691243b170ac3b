// TPersistent: the base of everything a form description stores. It answers its own
// run-time class information and may define stream properties of its own (values that
// are not published properties, such as the lines of a string list), which the reader
// and the writer reach through a filer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Gui/ClassInfo.h"

class TReader;
class TWriter;
class TPersistent;

// What DefineProperties talks to: the reader or the writer at work.
class TFiler {
 public:
  virtual ~TFiler() = default;
  // Defines one stream property of the object being read or written. The reader
  // calls `read` when the description holds the property; the writer calls `write`
  // when `hasData` is true.
  virtual void DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                              const std::function<void(TWriter&)>& write, bool hasData) = 0;
  // While writing: the object this one is compared with (the same object of the
  // inherited form), or null. Always null while reading.
  virtual TPersistent* Ancestor() const { return nullptr; }
};

class TPersistent {
 public:
  static const TClassInfo kClassInfo;

  TPersistent() = default;
  virtual ~TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  virtual const TClassInfo& ClassInfo() const { return kClassInfo; }
  const char* ClassName() const { return ClassInfo().name; }
  bool InheritsFrom(const TClassInfo& info) const { return ClassInfo().InheritsFrom(info); }

  // Stream properties that are not published properties.
  virtual void DefineProperties(TFiler& filer) {}

  // Values of kept properties (TPropKind::Kept) as the description stored them, in
  // the binary form's encoding; null when the description held none.
  const std::vector<std::uint8_t>* KeptValue(std::string_view name) const;
  void SetKeptValue(std::string_view name, std::vector<std::uint8_t> value);

 private:
  using KeptValues = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
  // Most objects keep nothing: the store is made on first use.
  std::unique_ptr<KeptValues> kept_;
};
