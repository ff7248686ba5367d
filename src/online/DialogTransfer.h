#pragma once

#include "ServiceClient.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <functional>

class QWidget;

// Keeps a library dialog alive while one of its requests runs on the window's thread:
// the client's waits pump the event loop, so the window repaints, its progress bar moves
// and a click on a cancel control abandons the request. While the request runs, the
// dialog's other controls take no input, so none of its commands starts under it; a
// close of the dialog cancels the request and is carried out once the command is over.
class DialogTransfer : public QObject {
    Q_OBJECT
public:
    // cancelControls are the widgets that stay usable (their own handlers call Cancel); a
    // transfer that has them lets Escape through to the dialog as well.
    DialogTransfer(QWidget* dialog, tamvik::ServiceClient& client, QList<QWidget*> cancelControls = {});
    ~DialogTransfer() override;

    // The client's progress reports go to progress while the transfer lives.
    void OnProgress(std::function<void(const tamvik::ServiceProgress&)> progress);

    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }

    // The transfer of dialog that runs now, or null.
    static DialogTransfer* Running(const QWidget* dialog);
    // Cancels the transfer of dialog that runs now; false when none runs.
    static bool CancelRunning(const QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Pump();

    QWidget* m_dialog;
    tamvik::ServiceClient& m_client;
    QList<QWidget*> m_cancelControls;
    QElapsedTimer m_sincePump;
    bool m_cancelled = false;
    DialogTransfer* m_outer = nullptr;
};
