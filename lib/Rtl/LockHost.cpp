#include "Rtl/Lock.h"

#include <mutex>

TCriticalSection::TCriticalSection() : impl_(new std::recursive_mutex) {}

TCriticalSection::~TCriticalSection() { delete static_cast<std::recursive_mutex*>(impl_); }

void TCriticalSection::Enter() { static_cast<std::recursive_mutex*>(impl_)->lock(); }

void TCriticalSection::Leave() { static_cast<std::recursive_mutex*>(impl_)->unlock(); }
