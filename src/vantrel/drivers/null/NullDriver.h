#pragma once

// Test interface of vantrel-null.so, reached with dlopen(RTLD_NOLOAD) + dlsym by tests
// that load the driver through libvantrel.so.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Copies up to maxBytes of what output channel `channel` has played since the last
// buffer creation (raw bytes of the channel's sample type); returns the bytes copied.
// What was played stays readable after the driver is released.
__attribute__((visibility("default"))) size_t vantrel_null_played(int channel, void* destination,
                                                                  size_t maxBytes);
// Buffer switches made since the last buffer creation.
__attribute__((visibility("default"))) int64_t vantrel_null_switches(void);

#ifdef __cplusplus
}
#endif
