// KivLXFlashMsg: a caption-only progress notice. Its caption is the message; while it
// lives the screen shows the hourglass. Destroy the form to remove the message.
#pragma once

#include <string>

#include "Gui/Forms.h"

class TKivFlashForm : public TKivForm {
  KIV_CLASS_INFO()

 public:
  // Pushes the hourglass on the screen-cursor stack.
  explicit TKivFlashForm(TComponent* owner);
  // Pops the screen-cursor stack.
  ~TKivFlashForm() override;

  // Changes the message. The window grows to fit a longer one and never shrinks; a
  // shown window repaints its caption at once, without waiting for messages.
  void SetMessage(const std::u16string& text);
};

// Creates a flash form owned by the application, shows it with `message` and returns
// it; the caller destroys it.
TKivFlashForm* ShowFlashMessage(const std::u16string& message);
