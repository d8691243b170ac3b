#include "Rtl/Lock.h"

#include "Rtl/Win.h"

TCriticalSection::TCriticalSection() : impl_(new CRITICAL_SECTION) {
  InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(impl_));
}

TCriticalSection::~TCriticalSection() {
  DeleteCriticalSection(static_cast<CRITICAL_SECTION*>(impl_));
  delete static_cast<CRITICAL_SECTION*>(impl_);
}

void TCriticalSection::Enter() { EnterCriticalSection(static_cast<CRITICAL_SECTION*>(impl_)); }

void TCriticalSection::Leave() { LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(impl_)); }
