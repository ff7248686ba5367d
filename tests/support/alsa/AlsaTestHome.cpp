#include "AlsaTestHome.h"

#include <QFile>

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

AlsaTestHome::AlsaTestHome() : m_oldHome(qgetenv("HOME")) {
    const QString rc = QStringLiteral(R"(pcm.!default {
  type file
  slave.pcm "null"
  file "%1"
  format "raw"
}
pcm.tvfile {
  type file
  slave.pcm "null"
  file "%2"
  format "raw"
  hint { show on description "Tamvik test file" }
}
pcm.tvlinear {
  type linear
  slave { pcm "null" format S16_LE }
  hint { show on description "Tamvik test integer only" }
}
pcm.tvcapture {
  type null
  hint { show on description "Tamvik test capture|IOIDInput" }
}
pcm.tvjackraw {
  type jack
  playback_ports { 0 system:playback_1 1 system:playback_2 }
}
pcm.tvjack {
  type plug
  slave.pcm "tvjackraw"
  hint { show on description "Tamvik test JACK" }
}
)")
                           .arg(defaultFile(), file());
    QFile out(m_dir.file(QStringLiteral(".asoundrc")));
    if (out.open(QIODevice::WriteOnly))
        out.write(rc.toUtf8());
    out.close();
    qputenv("HOME", m_dir.path().toUtf8());
    snd_config_update_free_global();
}

AlsaTestHome::~AlsaTestHome() {
    qputenv("HOME", m_oldHome);
    snd_config_update_free_global();
}

int AlsaTestHome::deviceIndex(const QString& name) {
    void** hints = nullptr;
    int index = -2;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0)
        return index;
    int i = 0;
    for (void** h = hints; *h != nullptr && index == -2; ++h) {
        char* n = snd_device_name_get_hint(*h, "NAME");
        char* io = snd_device_name_get_hint(*h, "IOID");
        if (n != nullptr && (io == nullptr || std::strcmp(io, "Output") == 0)) {
            if (name == QString::fromUtf8(n))
                index = i;
            ++i;
        }
        free(n);
        free(io);
    }
    snd_device_name_free_hint(hints);
    return index;
}
