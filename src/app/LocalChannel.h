#pragma once

// The local socket between the running program and a later start. It lives in a module
// of its own (libtamvik_localchannel.so) that is loaded when first needed: the socket
// library brings many others along (Kerberos, proxy lookup) whose loading would otherwise
// come before the window shows. Plain C calls, so the module needs nothing of the program.
extern "C" {

// Called on the listening thread with the path a later start handed over (UTF-8).
typedef void (*LocalChannelReceived)(void* context, const char* utf8Path);

// Listens on socketPath, only for this user, replacing a socket file left behind; null
// when it cannot. The server lives in the calling thread.
void* tamvik_channel_listen(const char* socketPath, LocalChannelReceived received, void* context);
void tamvik_channel_close(void* server);
// A later start: sends the path and waits until the first has taken it (1), else 0.
int tamvik_channel_hand_over(const char* socketPath, const char* utf8Path, int timeoutMs);
}
