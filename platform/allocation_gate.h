/* The gate every allocation of the libjpeg glue passes first, so that a test
   can make any one of them fail. The POSIX stand-in answers from its
   fault-injection counter (posix_testing.h); the Windows build has no fault
   injection and always allows. C, for the glue. */
#ifndef TARNIK_PLATFORM_ALLOCATION_GATE_H
#define TARNIK_PLATFORM_ALLOCATION_GATE_H

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
static inline int platform_allocation_allowed(void) { return 1; }
#else
int platform_allocation_allowed(void);
#endif

#ifdef __cplusplus
}
#endif

#endif
