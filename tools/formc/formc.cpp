// formc: converts a form between its text form (.dfm) and its binary forms, and checks
// that a form file survives its own round trip. Run "formc --help" for the usage.
//
// Errors go to stderr with the file name (and, for text, the line); the exit code is 1,
// and 2 for bad usage. Nothing is written unless the conversion succeeded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormCompare.h"
#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Streams.h"

namespace {

enum class Mode { Auto, ToFile, ToStream, ToText, Check };

constexpr const char* kUsage =
    "usage: formc [-b | -s | -t] INPUT OUTPUT\n"
    "       formc --check INPUT\n"
    "       formc --help\n"
    "\n"
    "Converts a form between its text form and its binary forms.\n"
    "  -b  text to a binary form file: a resource header, then the form stream\n"
    "  -s  text to a bare form stream (from \"TPF0\"), as resources hold it\n"
    "  -t  binary (a binary form file or a bare form stream) to text\n"
    "Without -b, -s or -t the input chooses the direction: binary input becomes text,\n"
    "text input becomes a binary form file. Input is binary when it starts with the\n"
    "resource header (bytes FF 0A 00) or with \"TPF0\"; any other input is text, read as\n"
    "UTF-8 when it starts with a byte-order mark and as 8-bit text otherwise. Text is\n"
    "written with CR LF line ends, as UTF-8 with a byte-order mark when an identifier is\n"
    "not ASCII.\n"
    "\n"
    "--check reads INPUT (text or binary) and checks its own round trip: every string\n"
    "must keep its characters (8-bit text its bytes) through both conversions, and text\n"
    "must come back from binary with the same values, binary from text with the same\n"
    "content. It fails on the first value that changes, naming its line; a line written\n"
    "differently with the same values (text), or values stored in another kind with the\n"
    "same content (binary), are noted without failing. It also reads the form through\n"
    "the translation framework's form text model.\n"
    "\n"
    "Exit code: 0 on success, 1 when the input is malformed or a check fails, 2 for bad\n"
    "usage.\n";

// A failed check: the message is complete and names the file.
struct CheckFailed {
  std::string message;
};

[[noreturn]] void Usage() {
  std::fputs(kUsage, stderr);
  std::exit(2);
}

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Quoted(std::string_view line) {
  constexpr std::size_t kMax = 100;
  std::string s(line.substr(0, kMax));
  if (line.size() > kMax) s += "...";
  return "\"" + s + "\"";
}

std::string_view LineOf(std::string_view text, std::size_t line) {
  std::vector<std::string_view> lines = Lines(text);
  return line >= 1 && line <= lines.size() ? lines[line - 1] : std::string_view();
}

// The strings of the text and of its binary form, compared in order.
void CheckStrings(const std::string& name, std::string_view text,
                  const std::vector<std::uint8_t>& binary, bool fromText) {
  std::vector<TFormStringAt> inText = FormTextStrings(text);
  std::vector<TFormStringAt> inBinary = FormBinaryStrings(binary.data(), binary.size());
  std::size_t i = FirstStringChange(inText, inBinary);
  if (i == std::string::npos) return;
  std::size_t line = i < inText.size() ? inText[i].where : Lines(text).size();
  throw CheckFailed{Format("%s: the string on text line %d does not keep its characters %s:\n  %s",
                           name, line, fromText ? "in binary" : "from binary",
                           Quoted(LineOf(text, line)))};
}

// True when the text came back line for line; false when it came back written
// differently with the same values.
bool CheckText(const std::string& name, std::string_view text) {
  std::vector<std::uint8_t> binary = FormTextToBinary(text);
  CheckStrings(name, text, binary, true);
  std::string back = FormBinaryToText(binary);
  std::vector<std::string_view> in = Lines(text);
  std::vector<std::string_view> out = Lines(back);
  for (std::size_t i = 0; i < in.size() || i < out.size(); ++i) {
    std::string_view a = i < in.size() ? in[i] : std::string_view("(no line)");
    std::string_view b = i < out.size() ? out[i] : std::string_view("(no line)");
    if (a == b) continue;
    // Both texts must hold the same values: then the second converts to the same binary.
    const bool sameValues = FormTextToBinary(back) == binary;
    std::string report = Format("%s: line %d %s:\n  read:    %s\n  written: %s", name, i + 1,
                                sameValues ? "is written differently, with the same values"
                                           : "does not come back unchanged from binary",
                                Quoted(a), Quoted(b));
    if (!sameValues) throw CheckFailed{report};
    std::printf("%s\n", report.c_str());
    return false;
  }
  return true;
}

// True when the binary came back byte for byte; false when some values came back in
// another kind, with the same content.
bool CheckBinary(const std::string& name, const std::vector<std::uint8_t>& input) {
  std::vector<std::size_t> lineOffsets;
  std::string text = FormBinaryToText(input.data(), input.size(), &lineOffsets);
  CheckStrings(name, text, input, false);
  std::vector<std::uint8_t> back = FormTextToBinary(text);
  TBinaryFormReader r(input);
  r.ReadSignature();
  if (r.HasResourceHeader()) back = AddFormResourceHeader(back);
  if (back == input) return true;
  // The stream first: a header differs in its size field whenever the stream differs.
  const std::size_t start = r.StreamStart();
  std::size_t d = start;
  while (d < back.size() && d < input.size() && back[d] == input[d]) ++d;
  if (d == back.size() || d == input.size()) {
    d = 0;
    while (d < back.size() && d < input.size() && back[d] == input[d]) ++d;
  }
  if (d < start) {
    throw CheckFailed{
        Format("%s: the resource header does not come back unchanged from text "
               "(first difference at offset %d)",
               name, d)};
  }
  if (d == back.size()) {
    throw CheckFailed{Format("%s: %d bytes behind the form are not part of it", name,
                             input.size() - back.size())};
  }
  TFormComparison c = CompareBinaryForms(input.data(), input.size(), back.data(), back.size());
  const std::size_t at = c.sameContent ? c.kindOffset : c.contentOffset;
  std::size_t line = 0;
  while (line + 1 < lineOffsets.size() && lineOffsets[line + 1] <= at) ++line;
  std::string shown = Quoted(LineOf(text, line + 1));
  if (!c.sameContent) {
    throw CheckFailed{
        Format("%s: the binary form does not come back unchanged from text: the first "
               "difference is at offset %d, in what text line %d shows:\n  %s",
               name, at, line + 1, shown)};
  }
  std::printf(
      "%s: values stored in another kind after the round trip, with the same "
      "content: %d; the first at offset %zu, in what text line %zu shows:\n  %s\n",
      name.c_str(), c.kindChanges, at, line + 1, shown.c_str());
  return false;
}

void Check(const std::string& name, const std::vector<std::uint8_t>& input) {
  const bool binary = IsBinaryForm(input.data(), input.size());
  const bool unchanged = binary ? CheckBinary(name, input) : CheckText(name, AsText(input));
  std::vector<std::uint8_t> stream = binary ? input : FormTextToBinary(AsText(input));
  TDfmForm form;
  TDfmPropertyList properties;
  // Keep diagnostics beside the working directory rather than in a drive root.
  DfmOriginalFileName = u"formc_original_dfm.txt";
  DfmRenderedFileName = u"formc_rendered_dfm.txt";
  form.LoadFromBinary(stream.data(), stream.size(), &properties);
  std::printf("%s: %s by its round trip; %s: %s, %zu properties\n", name.c_str(),
              unchanged ? "unchanged" : "its content unchanged", form.ObjectName.c_str(),
              form.ObjectClass.c_str(), properties.size());
}

std::vector<std::uint8_t> Convert(Mode mode, const std::vector<std::uint8_t>& input) {
  const bool binary = IsBinaryForm(input.data(), input.size());
  if (mode == Mode::Auto) mode = binary ? Mode::ToText : Mode::ToFile;
  if (mode == Mode::ToText) {
    if (!binary) {
      throw EReadError("not a binary form (one starts with the bytes FF 0A 00 or with \"TPF0\")");
    }
    std::string text = FormBinaryToText(input);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  }
  if (binary) throw EParserError("the input is a binary form already (-t converts it to text)");
  std::vector<std::uint8_t> stream = FormTextToBinary(AsText(input));
  return mode == Mode::ToFile ? AddFormResourceHeader(stream) : stream;
}

}  // namespace

int main(int argc, char** argv) {
  Mode mode = Mode::Auto;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "-b" || a == "-s" || a == "-t" || a == "--check") {
      if (mode != Mode::Auto) Usage();
      mode = a == "-b"   ? Mode::ToFile
             : a == "-s" ? Mode::ToStream
             : a == "-t" ? Mode::ToText
                         : Mode::Check;
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
      Check(inName, input);
      return 0;
    }
    std::vector<std::uint8_t> output = Convert(mode, input);
    WriteFileBytes(Utf8ToWide(files[1]), output.data(), output.size());
  } catch (const CheckFailed& e) {
    std::fprintf(stderr, "formc: %s\n", e.message.c_str());
    return 1;
  } catch (const Exception& e) {
    std::fprintf(stderr, "formc: %s: %s\n", inName.c_str(), e.Message().c_str());
    return 1;
  }
  return 0;
}
