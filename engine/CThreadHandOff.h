// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Marks a hand-over between threads that Qt orders inside its own library, out of
// ThreadSanitizer's sight (the Qt of the distribution is not built with it): a queued signal
// carries a result from a worker to the scanner through Qt's event queue and its mutex. The
// sending side calls Release() on an address both sides know just before it emits, the
// receiving slot calls Acquire() on the same address first thing. Both do nothing unless the
// program is built with ThreadSanitizer.
#if defined(__SANITIZE_THREAD__)
#define VISTREL_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VISTREL_TSAN 1
#endif
#endif

#ifdef VISTREL_TSAN
extern "C" void __tsan_acquire(void *i_pAddress);
extern "C" void __tsan_release(void *i_pAddress);
#endif

namespace CThreadHandOff {

inline void Release(const void *i_pAddress)
{
#ifdef VISTREL_TSAN
    __tsan_release(const_cast<void *>(i_pAddress));
#else
    (void)i_pAddress;
#endif
}

inline void Acquire(const void *i_pAddress)
{
#ifdef VISTREL_TSAN
    __tsan_acquire(const_cast<void *>(i_pAddress));
#else
    (void)i_pAddress;
#endif
}

} // namespace CThreadHandOff
