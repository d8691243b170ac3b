// Form text at scale: a synthetic form of about 10 MB (20,000 components with captions,
// hints, collections and multi-line strings), and the largest real form file of the
// shared test data (about 2 MB, mostly binary data), read where it lies.
//
// Targets, against the floor of splitting the same text into lines and joining them:
//   DfmParseRender (DFM text model parse + render)   at most 4x the floor
//   FormTextToBinary, FormBinaryToText               at most 6x the floor each
// Compare the times (or the MB/s) of the runs against the floor of the same text (the
// Real* runs against RealSplitJoinFloor).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FormFiles/FormBinary.h"
#include "FormFiles/FormText.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"

namespace {

constexpr int kComponents = 20000;

void WriteComponent(TBinaryFormWriter& w, int i) {
  std::string name = "Button" + std::to_string(i);
  w.WriteObjectHeader({0, 0, "TButton", name});
  const std::pair<const char*, int> ints[] = {
      {"Left", i % 800}, {"Top", (i * 7) % 600}, {"Width", 75}, {"Height", 25}};
  for (auto [prop, v] : ints) {
    w.WritePropertyName(prop);
    w.WriteInteger(v);
  }
  w.WritePropertyName("Caption");
  w.WriteString(u"&Button number " + IntToWide(i));
  w.WritePropertyName("Hint");
  w.WriteString(u"A hint long enough for two lines: the continuation of component " + IntToWide(i) +
                u" (caf\u00E9 = cr\u00E8me).");
  w.WritePropertyName("Font.Style");
  w.WriteValueType(TValueType::vaSet);
  w.WriteSetElement("fsBold");
  w.WriteSetElement("fsItalic");
  w.WriteListEnd();
  w.WritePropertyName("Items.Strings");
  w.WriteListBegin();
  for (const char16_t* s : {u"first line", u"second line with 'quotes'"}) w.WriteString(s);
  w.WriteListEnd();
  w.WritePropertyName("Columns");
  w.WriteValueType(TValueType::vaCollection);
  for (int c = 0; c < 2; ++c) {
    w.WriteListBegin();
    w.WritePropertyName("Title.Caption");
    w.WriteString(u"Column " + IntToWide(c));
    w.WritePropertyName("Width");
    w.WriteInteger(64 + c);
    w.WriteListEnd();
  }
  w.WriteListEnd();
  w.WriteListEnd();  // properties
  w.WriteListEnd();  // children
}

struct SyntheticForm {
  std::vector<std::uint8_t> binary;
  std::string text;

  SyntheticForm() {
    TBinaryFormWriter w(binary);
    w.WriteSignature();
    w.WriteObjectHeader({0, 0, "TForm1", "Form1"});
    w.WritePropertyName("Caption");
    w.WriteString(u"Synthetic form");
    w.WriteListEnd();
    for (int i = 0; i < kComponents; ++i) WriteComponent(w, i);
    w.WriteListEnd();
    text = FormBinaryToText(binary);
  }
};

const SyntheticForm& Form() {
  static const SyntheticForm form;
  return form;
}

// The largest file of the real forms, as text and as binary; empty when there is none.
struct RealForm {
  std::string name;
  std::string text;
  std::vector<std::uint8_t> binary;

  RealForm() {
    std::error_code ec;
    std::uintmax_t largest = 0;
    std::filesystem::path path;
    for (const auto& e : std::filesystem::directory_iterator(PLINTH_FORMS_REAL_DIR, ec)) {
      std::uintmax_t size = e.file_size(ec);
      if (e.path().extension() == ".dfm" && size > largest) {
        largest = size;
        path = e.path();
      }
    }
    if (path.empty()) return;
    name = path.filename().string();
    std::vector<std::uint8_t> bytes = ReadFileBytes(Utf8ToWide(path.string()));
    if (IsBinaryForm(bytes.data(), bytes.size())) {
      binary = bytes;
      text = FormBinaryToText(binary);
    } else {
      text.assign(bytes.begin(), bytes.end());
      binary = FormTextToBinary(text);
    }
  }
};

const RealForm& Real() {
  static const RealForm form;
  return form;
}

void Report(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
  state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
}

void Report(benchmark::State& state) { Report(state, Form().text); }

// Skips the benchmark, and says why, without the real forms.
bool HaveReal(benchmark::State& state) {
  if (!Real().text.empty()) {
    state.SetLabel(Real().name);
    return true;
  }
  state.SkipWithError("no real form files in " PLINTH_FORMS_REAL_DIR);
  return false;
}

void SplitJoin(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    std::vector<std::string> lines = SplitLines(std::string_view(text));
    std::string joined;
    joined.reserve(text.size());
    for (const std::string& line : lines) {
      joined += line;
      joined += "\r\n";
    }
    benchmark::DoNotOptimize(joined.data());
  }
  Report(state, text);
}

void BM_SplitJoinFloor(benchmark::State& state) { SplitJoin(state, Form().text); }

void BM_DfmParseRender(benchmark::State& state) {
  const std::string& text = Form().text;
  for (auto _ : state) {
    TDfmForm form;
    TDfmPropertyList flat;
    form.Parse(text, &flat);
    std::string rendered = form.AsText();
    benchmark::DoNotOptimize(rendered.data());
    if (rendered.size() != text.size()) state.SkipWithError("render differs");
  }
  Report(state);
}

void BM_FormTextToBinary(benchmark::State& state) {
  const std::string& text = Form().text;
  for (auto _ : state) {
    std::vector<std::uint8_t> binary = FormTextToBinary(text);
    benchmark::DoNotOptimize(binary.data());
  }
  Report(state);
}

void BM_FormBinaryToText(benchmark::State& state) {
  const std::vector<std::uint8_t>& binary = Form().binary;
  for (auto _ : state) {
    std::string text = FormBinaryToText(binary);
    benchmark::DoNotOptimize(text.data());
  }
  Report(state);
}

void BM_RealSplitJoinFloor(benchmark::State& state) {
  if (HaveReal(state)) SplitJoin(state, Real().text);
}

void BM_RealFormTextToBinary(benchmark::State& state) {
  if (!HaveReal(state)) return;
  for (auto _ : state) {
    std::vector<std::uint8_t> binary = FormTextToBinary(Real().text);
    benchmark::DoNotOptimize(binary.data());
  }
  Report(state, Real().text);
}

void BM_RealFormBinaryToText(benchmark::State& state) {
  if (!HaveReal(state)) return;
  for (auto _ : state) {
    std::string text = FormBinaryToText(Real().binary);
    benchmark::DoNotOptimize(text.data());
  }
  Report(state, Real().text);
}

BENCHMARK(BM_SplitJoinFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DfmParseRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormTextToBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormBinaryToText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealSplitJoinFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealFormTextToBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealFormBinaryToText)->Unit(benchmark::kMillisecond);

}  // namespace
