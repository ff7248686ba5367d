#include "WindowFilter.h"

#include "MainUnit.h"

WindowFilter::WindowFilter(TfrmMain& w, QObject* watched) : QObject(watched), m_w(w) {
    watched->installEventFilter(this);
}

void RemoveWindowFilters(TfrmMain& w) {
    // A deleted filter leaves its control's filter list by itself.
    qDeleteAll(w.findChildren<WindowFilter*>());
}
