#include "Gui/FormStreaming.h"
#include "Rtl/ResourceStream.h"

void ReadComponentResource(TComponent& root, HMODULE module, const std::u16string& resourceName) {
  TKivResourceStream stream(module, resourceName, 10);  // RT_RCDATA
  ReadComponentTree(root, stream.Memory(), static_cast<std::size_t>(stream.Size()));
}
