// formc: converts a form between its text form (.dfm) and the binary form the program
// embeds as a resource.
//
//   formc [-b | -t] INPUT OUTPUT   text to binary (-b) or binary to text (-t); without
//                                  either, a binary input becomes text and any other
//                                  input becomes binary
//   formc --check INPUT            reads the form (either form) through the DFM text
//                                  model and checks that it renders back unchanged
//
// Errors go to stderr with the file name; the exit code is 1, and 2 for bad usage.
// Nothing is written unless the conversion succeeded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormText.h"
#include "KivTrx/KivTrxDfmUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"

namespace {

enum class Mode { Auto, ToBinary, ToText, Check };

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: formc [-b | -t] INPUT OUTPUT\n"
               "       formc --check INPUT\n");
  std::exit(2);
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::uint8_t> ToBinary(const std::vector<std::uint8_t>& input) {
  if (IsBinaryForm(input.data(), input.size())) return input;
  return FormTextToBinary(AsText(input));
}

void Check(const std::vector<std::uint8_t>& input) {
  std::vector<std::uint8_t> binary = ToBinary(input);
  TDfmForm form;
  TDfmPropertyList properties;
  // Keep diagnostics beside the working directory rather than in a drive root.
  DfmOriginalFileName = u"formc_original_dfm.txt";
  DfmRenderedFileName = u"formc_rendered_dfm.txt";
  form.LoadFromBinary(binary.data(), binary.size(), &properties);
  std::printf("%s: %s: %zu properties\n", form.ObjectName.c_str(), form.ObjectClass.c_str(),
              properties.size());
}

}  // namespace

int main(int argc, char** argv) {
  Mode mode = Mode::Auto;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-b") {
      mode = Mode::ToBinary;
    } else if (a == "-t") {
      mode = Mode::ToText;
    } else if (a == "--check") {
      mode = Mode::Check;
    } else if (!a.empty() && a[0] == '-') {
      Usage();
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != (mode == Mode::Check ? 1u : 2u)) Usage();

  const std::string& inName = files[0];
  try {
    std::vector<std::uint8_t> input = ReadFileBytes(Utf8ToWide(inName));
    if (mode == Mode::Check) {
      Check(input);
      return 0;
    }
    if (mode == Mode::Auto) {
      mode = IsBinaryForm(input.data(), input.size()) ? Mode::ToText : Mode::ToBinary;
    }
    std::vector<std::uint8_t> output;
    if (mode == Mode::ToBinary) {
      output = FormTextToBinary(AsText(input));
    } else {
      std::string text = FormBinaryToText(input);
      output.assign(text.begin(), text.end());
    }
    WriteFileBytes(Utf8ToWide(files[1]), output.data(), output.size());
  } catch (const Exception& e) {
    std::fprintf(stderr, "formc: %s: %s\n", inName.c_str(), e.Message().c_str());
    return 1;
  }
  return 0;
}
