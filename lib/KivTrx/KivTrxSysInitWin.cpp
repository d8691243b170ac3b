#include "KivTrx/KivTrxSysInit.h"

#include "KivTrx/KivTrxUtils.h"

void InitializeKivTrxSysInit() { StartTranslation(); }
