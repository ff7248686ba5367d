#pragma once

#include <QString>

#include "TestDir.h"

// Points HOME at a fresh folder whose .asoundrc defines the test PCMs, and makes ALSA
// reload its configuration. Create it before anything in the process touches ALSA (or
// after every PCM is closed). PCMs:
//   default, "tvfile"   file PCM over null: every byte written lands in defaultFile() /
//                       file(), unpaced
//   "tvlinear"          linear integer formats only over null (refuses float)
//   "tvcapture"         a capture-only hint (no output device)
//   "tvjack"            plug over the JACK server named by JACK_DEFAULT_SERVER (paced;
//                       see tests/support/jack for a private server)
class AlsaTestHome {
public:
    AlsaTestHome();
    ~AlsaTestHome();
    AlsaTestHome(const AlsaTestHome&) = delete;
    AlsaTestHome& operator=(const AlsaTestHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString file() const { return m_dir.file(QStringLiteral("tvfile.raw")); }
    QString defaultFile() const { return m_dir.file(QStringLiteral("default.raw")); }
    // Index of the named PCM among the output devices (see GetWaveOutDeviceName), or -2.
    static int deviceIndex(const QString& name);

private:
    TestDir m_dir;
    QByteArray m_oldHome;
};
