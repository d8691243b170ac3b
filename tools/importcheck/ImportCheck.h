// Checks a Windows program's static imports against the functions that the oldest
// systems it is for export: one list per system library, one name a line, "#" lines
// are comments. A function missing from its library's list, or imported from a
// library that has no list, must be looked up at run time instead.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Rtl/PeImage.h"

class ImportAllowList {
 public:
  // Reads "<library>.txt" for each library asked about from `folder`, and the notes
  // of DENY.txt ("name<TAB>first appeared<TAB>note") when the folder has one.
  explicit ImportAllowList(std::string folder);

  // Lines "library!function" or "library!#ordinal" allowed on top of the lists.
  void AddExtra(const std::string& text);

  // A library checked along with the binaries that import it (a companion shipped
  // beside them): whatever it exports may be imported.
  void AddOwnLibrary(const std::string& fileName);

  // Empty when `import` is allowed, else why not.
  std::string Refusal(const PeImport& import);

 private:
  const std::set<std::string>* ListFor(const std::string& library);

  std::string folder_;
  std::map<std::string, std::set<std::string>> lists_;  // by library, lower case
  std::set<std::string> missing_;                       // libraries without a list
  std::set<std::string> own_;                           // checked libraries
  std::set<std::string> extra_;                         // "library!function", lower-case library
  std::map<std::string, std::string> firstAppeared_;
};

// "kernel32" for "KERNEL32.dll".
std::string LibraryKey(const std::string& dllName);

// Parses the lines of a list: names with surrounding blanks trimmed, blank lines and
// comments (from a "#" at the start of a line or after a blank) dropped.
std::vector<std::string> ListLines(const std::string& text);
