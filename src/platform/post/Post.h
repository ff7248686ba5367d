#pragma once

// The message facility: a window handle is an opaque integer from one process-wide
// registry; PostMessage hands a message to the handle's receiver callback. Posting to
// an unknown or unregistered handle does nothing, so a worker never needs to know
// whether its window still exists.
//
// The receiver callback runs on the posting thread and must only queue the message
// (never handle it there, never block): it is the bridge into the receiver's own loop.

#include <stdint.h>

#if defined(TAMVIK_POST_BUILD)
#define TAMVIK_POST_API __attribute__((visibility("default")))
#else
#define TAMVIK_POST_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// 0 is never a valid handle.
typedef intptr_t WindowHandle;

typedef void (*MessageReceiverFn)(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam);

// Registers a receiver; returns a new handle that is never reused, or 0 when fn is null.
TAMVIK_POST_API WindowHandle RegisterMessageReceiver(MessageReceiverFn fn, void* context);

// Closes the handle. When this returns, the receiver's callback is not running on any
// other thread and is never called again. May be called from inside the callback.
TAMVIK_POST_API void UnregisterMessageReceiver(WindowHandle handle);

// True while the handle is registered.
TAMVIK_POST_API int IsMessageReceiver(WindowHandle handle);

// Queues the message with the handle's receiver; returns 0 (and does nothing) for an
// unknown or closed handle, else 1.
TAMVIK_POST_API int PostMessage(WindowHandle handle, uint32_t msg, intptr_t wParam, intptr_t lParam);

#ifdef __cplusplus
}
#endif
