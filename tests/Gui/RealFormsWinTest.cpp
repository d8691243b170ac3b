// The real form files of the shared test data (forms-real/) against the toolkit.
//
// Each file's components whose standard class the toolkit has (the table below) are
// read into a form of the toolkit, with every stored property, and written again: the
// read raises no error and the written description loses no property. Forms that
// open as a window of their own open at the size they store.
//
// What the test leaves out of a description, and why:
// - components of classes the toolkit does not have; their controls' children sit on
//   the nearest component kept (menu items go with their menu);
// - event properties, which name methods of the program's own form class;
// - references to components that were left out.
// The bounds of controls and their tab order are compared by presence only: the
// toolkit lays aligned and auto-sized controls out again with its own font metrics,
// and tab orders count the siblings that were left out.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FormFiles/FormParser.h"
#include "FormFiles/FormText.h"
#include "Gui/Application.h"
#include "Gui/Reader.h"
#include "Gui/Writer.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "RealForms.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

// Standard class names and the toolkit's classes that stand for them.
struct ClassMapping {
  const char* standard;
  const char* toolkit;
};
constexpr ClassMapping kClassTable[] = {
    {"TForm", "TKivForm"},          {"TBevel", "TKivBevel"},
    {"TButton", "TKivButton"},      {"TControlBar", "TKivControlBar"},
    {"TLabel", "TKivLabel"},        {"TMainMenu", "TMainMenu"},
    {"TMemo", "TKivMemo"},          {"TMenuItem", "TMenuItem"},
    {"TPanel", "TKivPanel"},        {"TStatusBar", "TKivStatusBar"},
    {"TTimer", "TTimer"},           {"TToolBar", "TKivToolBar"},
    {"TToolButton", "TToolButton"},
};

// Roots that store a form's properties but are forms of another library (a web
// toolkit's, whose controls are its own as well), or that store what a designer add-on
// of another library gives every form.
constexpr std::string_view kForeignForms[] = {"forms-real/020.dfm", "forms-real/021.dfm",
                                              "forms-encodings/088.dfm", "forms-encodings/091.dfm"};

const char* ToolkitClass(std::string_view standard) {
  for (const ClassMapping& m : kClassTable) {
    if (SameText(m.standard, standard)) return m.toolkit;
  }
  return nullptr;
}

std::string ClassOf(const TDfmObject& o) {
  return o.ObjectClass.substr(0, o.ObjectClass.find(' '));
}

const TDfmProperty* FindProperty(const TDfmObject& o, std::string_view name) {
  for (const auto& p : o.Properties) {
    if (SameText(p->Name, name)) return p.get();
  }
  return nullptr;
}

// A form is a root that stores the text height of its font.
bool StoresAForm(const RealForm& file, const TDfmForm& form) {
  for (std::string_view foreign : kForeignForms) {
    if (file.name == foreign) return false;
  }
  return FindProperty(form, "TextHeight") != nullptr;
}

// The description of a real form's components of the toolkit's classes.
class Pruned {
 public:
  Pruned(const RealForm& file, const TDfmForm& form)
      : form_(form), isForm_(StoresAForm(file, form)) {
    CollectNames(form_);
    if (form_.Utf8) text_ = kUtf8Bom;
    text_ += "object " + form_.ObjectName + ": TKivForm\r\n";
    if (isForm_) AddProperties(form_, TKivForm::kClassInfo, 1);
    AddChildren(form_, 1);
    text_ += "end\r\n";
  }
  const std::string& Text() const { return text_; }
  bool IsForm() const { return isForm_; }
  int Components() const { return components_; }
  int LeftOut() const { return leftOut_; }
  const std::set<std::string>& UnpublishedEvents() const { return unpublishedEvents_; }

 private:
  void CollectNames(const TDfmObject& o) {
    for (const auto& c : o.Children) {
      if (ToolkitClass(ClassOf(*c)) && !c->ObjectName.empty()) kept_.insert(c->ObjectName);
      CollectNames(*c);
    }
  }

  void AddChildren(const TDfmObject& o, int level, bool parentKept = true) {
    for (const auto& c : o.Children) {
      const char* cls = ToolkitClass(ClassOf(*c));
      bool item = SameText(ClassOf(*c), "TMenuItem");
      if (!cls || (item && !parentKept)) {
        ++leftOut_;
        // Menu items go with their menu; controls sit on the nearest kept component.
        if (!item) AddChildren(*c, level, false);
        continue;
      }
      ++components_;
      std::string indent(2 * level, ' ');
      text_ +=
          indent + "object " + (c->ObjectName.empty() ? "" : c->ObjectName + ": ") + cls + "\r\n";
      AddProperties(*c, RequireClassInfo(cls), level + 1);
      AddChildren(*c, level + 1);
      text_ += indent + "end\r\n";
    }
  }

  void AddProperties(const TDfmObject& o, const TClassInfo& cls, int level) {
    for (const auto& p : o.Properties) {
      const TPropInfo* info = cls.FindProp(p->Name);
      if (info && info->kind == TPropKind::Event) continue;
      if (!info && p->Name.size() > 2 && p->Name.compare(0, 2, "On") == 0) {
        unpublishedEvents_.insert(ClassOf(o) + "." + p->Name);
        continue;
      }
      if (info && info->kind == TPropKind::Component && !Refers(p->Value)) continue;
      text_ += std::string(2 * level, ' ') + p->Name + " = " + p->Value + "\r\n";
    }
  }

  bool Refers(std::string_view value) const {
    return value == "nil" || value == form_.ObjectName || kept_.count(std::string(value)) > 0;
  }

  const TDfmForm& form_;
  bool isForm_;
  std::set<std::string> kept_;
  std::string text_;
  int components_ = 0;
  int leftOut_ = 0;
  std::set<std::string> unpublishedEvents_;
};

// Objects of a parsed description by where they sit: the names from the root down,
// an unnamed one as its class and its number among its unnamed siblings of that class.
void IndexObjects(const TDfmObject& o, const std::string& path,
                  std::map<std::string, const TDfmObject*>& index) {
  index[path] = &o;
  std::map<std::string, int> unnamed;
  for (const auto& c : o.Children) {
    std::string key = c->ObjectName.empty()
                          ? ClassOf(*c) + "#" + std::to_string(unnamed[ClassOf(*c)]++)
                          : c->ObjectName;
    IndexObjects(*c, path + "/" + key, index);
  }
}

bool ComparedByPresenceOnly(std::string_view name) {
  for (const char* n : {"Left", "Top", "Width", "Height", "TabOrder"}) {
    if (SameText(name, n)) return true;
  }
  return false;
}

std::string Canonical(const std::vector<std::uint8_t>& binary) { return FormBinaryToText(binary); }

// A value without the marks of short text stored as long strings, which only say how
// some writers encoded it.
std::string WithoutLongStringMarks(std::string value) {
  for (std::size_t p; (p = value.find(" + ''")) != std::string::npos;) value.erase(p, 5);
  return value;
}

// True when two spellings of a string, or of a list of strings, give the same
// characters: an 8-bit string is read in this system's code page, and the toolkit
// writes what it read as a string of characters.
bool SameCharacters(const std::string& a, const std::string& b) {
  try {
    if (a.rfind("(", 0) == 0 && b.rfind("(", 0) == 0) {
      TKivStringList la;
      TKivStringList lb;
      ReadDfmWideStringList(a, la);
      ReadDfmWideStringList(b, lb);
      return la.Count() > 0 && la.Text() == lb.Text();
    }
    return DfmStringToWide(a) == DfmStringToWide(b);
  } catch (const Exception&) {
    return false;
  }
}

// True when `name = value` is what a fresh component of `cls` has anyway: a description
// holding only that is written back without it.
bool IsDefault(const std::string& cls, bool root, const std::string& name,
               const std::string& value) {
  std::string text = "object Probe: TKivForm\r\n";
  if (root) {
    text += "  " + name + " = " + value + "\r\n";
  } else if (cls == "TMenuItem") {
    // A menu item stands only in a menu.
    text += "  object M: TMainMenu\r\n    object P: TMenuItem\r\n      " + name + " = " + value +
            "\r\n    end\r\n  end\r\n";
  } else {
    text += "  object P: " + cls + "\r\n    " + name + " = " + value + "\r\n  end\r\n";
  }
  text += "end\r\n";
  try {
    TKivForm probe(nullptr);
    ReadDescription(probe, FormTextToBinary(text));
    std::string written = Canonical(WriteDescription(probe));
    // A child's own lines only: the form may write a property of the same name.
    std::size_t from = root ? 0 : written.find("object P:");
    return from != std::string::npos && written.find(" " + name + " = ", from) == std::string::npos;
  } catch (const Exception&) {
    return false;
  }
}

// Every loss of a round trip, one line each.
std::vector<std::string> Losses(const std::string& before, const std::string& after) {
  TDfmForm a;
  a.Parse(before, nullptr);
  TDfmForm b;
  b.Parse(after, nullptr);
  std::map<std::string, const TDfmObject*> ia;
  std::map<std::string, const TDfmObject*> ib;
  IndexObjects(a, "", ia);
  IndexObjects(b, "", ib);
  std::vector<std::string> losses;
  for (const auto& [path, o] : ia) {
    auto found = ib.find(path);
    if (found == ib.end()) {
      losses.push_back(path + ": the component is gone");
      continue;
    }
    for (const auto& p : o->Properties) {
      const TDfmProperty* q = FindProperty(*found->second, p->Name);
      if (q) {
        if (WithoutLongStringMarks(q->Value) != WithoutLongStringMarks(p->Value) &&
            !ComparedByPresenceOnly(p->Name) && !SameCharacters(p->Value, q->Value)) {
          losses.push_back(path + "." + p->Name + ": " + p->Value + " became " + q->Value);
        }
      } else if (!IsDefault(ClassOf(*o), path.empty(), p->Name, p->Value)) {
        losses.push_back(path + "." + p->Name + " = " + p->Value + ": not written");
      }
    }
  }
  return losses;
}

class RealFormsOfTheToolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    RegisterToolkitClasses();
  }
  void TearDown() override { delete frame_; }

  // The main MDI form that MDI children open in, made when first needed.
  void NeedMdiFrame() {
    if (frame_) return;
    Application().CreateForm(frame_);
    frame_->SetFormStyle(TFormStyle::fsMDIForm);
    frame_->Show();
  }

 private:
  TKivForm* frame_ = nullptr;
};

bool IsMdiChild(const TDfmForm& form) {
  const TDfmProperty* style = FindProperty(form, "FormStyle");
  return style && style->Value == "fsMDIChild";
}

TEST_F(RealFormsOfTheToolkit, EveryPropertyOfTheToolkitsClassesIsReadAndWrittenBack) {
  std::cout << "Standard classes and the toolkit's:\n";
  for (const ClassMapping& m : kClassTable) {
    std::cout << "  " << m.standard << " -> " << m.toolkit << "\n";
  }
  int files = 0;
  int components = 0;
  std::set<std::string> unpublishedEvents;
  for (const RealForm& file : RealForms()) {
    SCOPED_TRACE(file.name);
    TDfmForm parsed;
    parsed.Parse(file.binary ? FormBinaryToText(file.bytes) : std::string(file.Text()), nullptr);
    Pruned pruned(file, parsed);
    if (!pruned.IsForm() && pruned.Components() == 0) continue;
    if (pruned.IsForm() && IsMdiChild(parsed)) NeedMdiFrame();
    ++files;
    components += pruned.Components() + (pruned.IsForm() ? 1 : 0);
    unpublishedEvents.insert(pruned.UnpublishedEvents().begin(), pruned.UnpublishedEvents().end());
    std::string before;
    std::string after;
    try {
      std::vector<std::uint8_t> binary = FormTextToBinary(pruned.Text());
      before = Canonical(binary);
      TKivForm form(nullptr);
      ReadDescription(form, binary);
      after = Canonical(WriteDescription(form));
    } catch (const Exception& e) {
      ADD_FAILURE() << e.ClassName() << ": " << e.Message();
      continue;
    }
    for (const std::string& loss : Losses(before, after)) ADD_FAILURE() << loss;
  }
  EXPECT_GT(files, 60);
  std::cout << files << " files, " << components << " components of the toolkit's classes\n";
  std::cout << "Events the toolkit does not publish:";
  for (const std::string& e : unpublishedEvents) std::cout << " " << e;
  std::cout << "\n";
}

// The size a form stores: its window's (Width, Height, as older tools wrote it) or its
// client area's; false when it stores neither.
bool StoredSize(const TDfmForm& form, bool& window, SIZE& size) {
  const TDfmProperty* w = FindProperty(form, "ClientWidth");
  const TDfmProperty* h = FindProperty(form, "ClientHeight");
  window = !w || !h;
  if (window) {
    w = FindProperty(form, "Width");
    h = FindProperty(form, "Height");
  }
  if (!w || !h) return false;
  size = {std::stoi(w->Value), std::stoi(h->Value)};
  return true;
}

TEST_F(RealFormsOfTheToolkit, FormsOpenAtTheSizeTheyStore) {
  std::string opened;
  std::string clamped;
  int forms = 0;
  for (const RealForm& file : RealForms()) {
    SCOPED_TRACE(file.name);
    TDfmForm parsed;
    parsed.Parse(file.binary ? FormBinaryToText(file.bytes) : std::string(file.Text()), nullptr);
    bool window = false;
    SIZE stored{};
    if (!StoresAForm(file, parsed) || !StoredSize(parsed, window, stored)) continue;
    // A maximized or minimized form opens at the size of its state.
    const TDfmProperty* state = FindProperty(parsed, "WindowState");
    if (state && state->Value != "wsNormal") continue;
    if (IsMdiChild(parsed)) NeedMdiFrame();
    ++forms;
    TKivForm form(nullptr);
    ReadDescription(form, FormTextToBinary(Pruned(file, parsed).Text()));
    form.Show();
    RECT r;
    GetWindowRect(form.WindowHandle(), &r);
    // The system keeps a window within its maximum tracking size (the screen and a
    // frame): a form stored larger than this screen opens as large as it may.
    if (r.right - r.left == GetSystemMetrics(SM_CXMAXTRACK) ||
        r.bottom - r.top == GetSystemMetrics(SM_CYMAXTRACK)) {
      clamped += " " + file.name;
      continue;
    }
    if (!window) GetClientRect(form.WindowHandle(), &r);
    EXPECT_EQ(r.right - r.left, stored.cx) << (window ? "window" : "client") << " width";
    EXPECT_EQ(r.bottom - r.top, stored.cy) << (window ? "window" : "client") << " height";
    if (r.right - r.left == stored.cx && r.bottom - r.top == stored.cy) {
      opened += " " + file.name + (window ? " (window size)" : "");
    }
  }
  EXPECT_GT(forms, 50);
  std::cout << "Opened at their stored size:" << opened << "\n";
  std::cout << "Larger than this screen, opened as large as it allows:" << clamped << "\n";
}

}  // namespace
