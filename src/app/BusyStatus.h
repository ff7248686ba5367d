#pragma once

#include "PanelStatusBar.h"

#include <QApplication>
#include <QString>

// The hourglass for as long as it lives (or until End), so every way out of a long step,
// an exception included, puts the cursor back.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { End(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void End() {
        if (!m_active)
            return;
        m_active = false;
        QApplication::restoreOverrideCursor();
    }

private:
    bool m_active = true;
};

// The hourglass and a progress text in the status bar's simple panel, both put back at
// the end.
class BusyStatus {
public:
    BusyStatus(PanelStatusBar* bar, const QString& text) : m_bar(bar) {
        // A passing note (the login's, say) gives way to the progress text.
        if (!m_bar->currentMessage().isEmpty())
            m_bar->clearMessage();
        m_bar->SetSimplePanel(true);
        m_bar->SetSimpleText(text);
    }
    ~BusyStatus() { End(); }
    BusyStatus(const BusyStatus&) = delete;
    BusyStatus& operator=(const BusyStatus&) = delete;
    void End() {
        if (!m_active)
            return;
        m_active = false;
        m_bar->SetSimpleText(QString());
        m_bar->SetSimplePanel(false);
        m_cursor.End();
    }

private:
    BusyCursor m_cursor;
    PanelStatusBar* m_bar;
    bool m_active = true;
};
