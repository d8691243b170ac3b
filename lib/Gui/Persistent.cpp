#include "Gui/Persistent.h"

#include "Rtl/WideText.h"

const std::vector<std::uint8_t>* TPersistent::KeptValue(std::string_view name) const {
  if (!kept_) return nullptr;
  for (const auto& [n, value] : *kept_) {
    if (SameText(n, name)) return &value;
  }
  return nullptr;
}

void TPersistent::SetKeptValue(std::string_view name, std::vector<std::uint8_t> value) {
  if (!kept_) kept_ = std::make_unique<KeptValues>();
  for (auto& [n, v] : *kept_) {
    if (SameText(n, name)) {
      v = std::move(value);
      return;
    }
  }
  kept_->emplace_back(std::string(name), std::move(value));
}
