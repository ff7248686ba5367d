#include "StartupWarmUp.h"

#include <alsa/asoundlib.h>

StartupWarmUp::StartupWarmUp() {
    try {
        m_thread = std::thread([] { snd_config_update(); });
    } catch (const std::system_error&) {
        // No thread to spare: the first device query reads the configuration itself.
    }
}

StartupWarmUp::~StartupWarmUp() {
    if (m_thread.joinable())
        m_thread.join();
}
