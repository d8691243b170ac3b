#include "ImportCheck.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

}  // namespace

std::string LibraryKey(const std::string& dllName) {
  std::string key = Lower(dllName);
  if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0) key.resize(key.size() - 4);
  return key;
}

std::vector<std::string> ListLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    // A comment starts a line or follows a blank ("#17" alone is an ordinal).
    for (std::size_t hash = line.find('#'); hash != std::string::npos;
         hash = line.find('#', hash + 1)) {
      if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') {
        line.resize(hash);
        break;
      }
    }
    line = Trim(line);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

ImportAllowList::ImportAllowList(std::string folder) : folder_(std::move(folder)) {
  std::string deny;
  if (!ReadText(folder_ + "/DENY.txt", deny)) return;
  std::istringstream in(deny);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::size_t tab2 = line.find('\t', tab + 1);
    firstAppeared_[line.substr(0, tab)] = Trim(line.substr(tab + 1, tab2 - tab - 1));
  }
}

void ImportAllowList::AddExtra(const std::string& text) {
  for (const std::string& line : ListLines(text)) {
    std::size_t bang = line.find('!');
    if (bang == std::string::npos) continue;
    extra_.insert(LibraryKey(Trim(line.substr(0, bang))) + "!" + Trim(line.substr(bang + 1)));
  }
}

void ImportAllowList::AddOwnLibrary(const std::string& fileName) {
  std::size_t slash = fileName.find_last_of("/\\");
  own_.insert(LibraryKey(slash == std::string::npos ? fileName : fileName.substr(slash + 1)));
}

const std::set<std::string>* ImportAllowList::ListFor(const std::string& library) {
  auto found = lists_.find(library);
  if (found != lists_.end()) return &found->second;
  if (missing_.count(library)) return nullptr;
  std::string text;
  if (!ReadText(folder_ + "/" + library + ".txt", text)) {
    missing_.insert(library);
    return nullptr;
  }
  std::vector<std::string> lines = ListLines(text);
  return &(lists_[library] = std::set<std::string>(lines.begin(), lines.end()));
}

std::string ImportAllowList::Refusal(const PeImport& import) {
  std::string library = LibraryKey(import.dll);
  if (own_.count(library)) return "";
  if (import.ByOrdinal()) {
    if (extra_.count(library + "!#" + std::to_string(import.ordinal))) return "";
    return "imported by ordinal: name it, or look it up at run time";
  }
  if (extra_.count(library + "!" + import.function)) return "";
  const std::set<std::string>* list = ListFor(library);
  if (!list) return "comes from a library without an export list";
  if (list->count(import.function)) return "";
  auto first = firstAppeared_.find(import.function);
  std::string why = "is not exported by both Windows 98 SE and NT 4.0 SP6";
  if (first != firstAppeared_.end()) why += " (first in " + first->second + ")";
  return why + ": look it up at run time";
}
