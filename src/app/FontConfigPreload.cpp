#include "FontConfigPreload.h"

#include <fontconfig/fontconfig.h>

FontConfigPreload::FontConfigPreload() : loader([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() {
    Wait();
}

void FontConfigPreload::Wait() {
    if (loader.joinable())
        loader.join();
}
