#include "KivTrx/KivTrxUtils.h"

#include "KivTrx/KivTrxLanguages.h"

std::vector<std::u16string> ResourceModuleCandidates(const std::u16string& exeFileName,
                                                     const std::u16string& override,
                                                     const std::u16string& abbreviation) {
  std::vector<std::u16string> candidates;
  if (exeFileName.find(u'.') == std::u16string::npos) return candidates;
  if (!override.empty()) candidates.push_back(ReplaceFileExt(exeFileName, u"." + override));
  if (!abbreviation.empty()) {
    candidates.push_back(ReplaceFileExt(exeFileName, u"." + abbreviation));
    // A neutral module (EN) serves every sub-language (ENU, ENG, ...).
    if (abbreviation.size() > 2) {
      candidates.push_back(ReplaceFileExt(exeFileName, u"." + abbreviation.substr(0, 2)));
    }
  }
  return candidates;
}
