#include "Post.h"

// Loaded by the tests with dlopen: posts from a different shared object.
extern "C" __attribute__((visibility("default"))) int PosterPost(WindowHandle handle, uint32_t msg,
                                                                 intptr_t wParam, intptr_t lParam) {
    return PostMessage(handle, msg, wParam, lParam);
}
