#include "Rtl/ResourceString.h"

std::u16string LoadResString(const ResourceString& rs) { return rs.text; }
