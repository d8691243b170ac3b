// The host carries no string table: the declared text is the text.
#include "Rtl/ResourceString.h"

std::u16string LoadResString(const ResourceString& rs) { return rs.text; }
