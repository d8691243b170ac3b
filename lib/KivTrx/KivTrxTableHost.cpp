#include "KivTrx/KivTrxTable.h"

// The host has no screen cursor to show.
void TKivTransTable::PushBatchCursor() {}
void TKivTransTable::PopBatchCursor() noexcept {}
