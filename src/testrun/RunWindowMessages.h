#pragma once

#include "Cexectable.h"
#include "Messages.h"
#include "Post.h"
#include "QtMessageReceiver.h"

#include <QEvent>
#include <cstdint>

// What the windows that run stimuli (the main window's audition, the test-run window) share
// in their message handling and their Play command.

// Routes a run's messages (sequencer, wave-out player, low-latency library) to the window's
// handlers of those names; false for any other message.
template <typename Window>
bool DispatchRunMessage(Window& w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case WM_EXECTABLE:
        w.OnExecTableMessage(wParam, lParam);
        return true;
    case WM_SOUND_STATUS:
        w.OnSoundMessage(wParam, lParam);
        return true;
    case WM_ASIO_OUTPUT_EVENT:
        w.OnAsioStatus(wParam, lParam);
        return true;
    case WM_ASIO_REMAIN:
        w.OnAsioBufferDone(wParam, lParam);
        return true;
    default:
        return false;
    }
}

// A posted message event goes to the window's Dispatch; false for any other event.
template <typename Window> bool HandlePostedMessage(Window& w, QEvent* e) {
    if (e->type() != PostedMessageEvent::eventType())
        return false;
    const auto* m = static_cast<PostedMessageEvent*>(e);
    w.Dispatch(m->msg(), m->wParam(), m->lParam());
    return true;
}

// Play on a run the operator holds: a halted list play or a trial waiting for the operator
// goes on, a paused run resumes; nothing happens in any other state. False when the
// sequencer refused.
inline bool ContinueHeldRun(CExecTable& exec) {
    switch (exec.state()) {
    case ExecListHalt:
    case ExecOperatorWait:
        return exec.Proceed();
    case ExecListPaused:
    case ExecTrialPaused:
        return exec.Resume();
    default:
        return true;
    }
}
