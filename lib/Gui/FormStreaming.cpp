#include "Gui/FormStreaming.h"

#include "Gui/Component.h"
#include "FormFiles/FormBinary.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

namespace {

void ReadProperties(TComponent& c, TBinaryFormReader& reader, TComponent& root) {
  while (!reader.EndOfList()) {
    std::string name(reader.ReadPropertyName());
    if (!c.ReadProperty(name, reader, root)) {
      RaisePropertyError(c, name, "Property " + name + " does not exist");
    }
  }
  reader.ReadListEnd();
}

void ReadChildren(TComponent& root, TBinaryFormReader& reader) {
  while (!reader.EndOfList()) {
    TObjectHeader header;
    reader.ReadObjectHeader(header);
    TComponent* child = root.FindComponent(std::string(header.objectName));
    if (!child || header.className != child->ClassName()) {
      throw EReadError(Format("Error reading %s: Component %s of class %s not found", root.Name(),
                              header.objectName, header.className));
    }
    ReadProperties(*child, reader, root);
    // Components of this toolkit own no stored children of their own.
    if (!reader.EndOfList()) {
      throw EReadError(Format("Error reading %s: %s cannot hold components", root.Name(),
                              child->Name()));
    }
    reader.ReadListEnd();
    child->Loaded();
  }
  reader.ReadListEnd();
}

}  // namespace

void RaisePropertyError(const TComponent& c, std::string_view property, std::string_view what) {
  throw EReadError(Format("Error reading %s.%s: %s", c.Name(), property, what));
}

std::vector<std::string> ReadSetValue(TBinaryFormReader& reader) {
  if (reader.ReadValueType() != TValueType::vaSet) reader.Error("set expected");
  std::vector<std::string> elements;
  for (std::string_view e = reader.ReadSetElement(); !e.empty(); e = reader.ReadSetElement()) {
    elements.emplace_back(e);
  }
  return elements;
}

void ReadComponentTree(TComponent& root, const std::uint8_t* data, std::size_t size) {
  TBinaryFormReader reader(data, size);
  reader.ReadSignature();
  TObjectHeader header;
  reader.ReadObjectHeader(header);
  if (header.className != root.ClassName()) {
    throw EReadError(Format("Error reading %s: the description is of class %s", root.ClassName(),
                            header.className));
  }
  if (!header.objectName.empty()) root.SetName(std::string(header.objectName));
  ReadProperties(root, reader, root);
  ReadChildren(root, reader);
  root.Loaded();
}
