#include "Rtl/ResourceString.h"

#include "Rtl/CodePage.h"

std::string LoadAnsiResString(const ResourceString& rs) { return WideToAnsi(LoadResString(rs)); }
