// Message socket library: one connection per process to the core daemon.
#pragma once

// Called on the library's reader thread, one call at a time: context given to
// kv_sock_init, the message header (KvSockHeader), the payload or null when
// its size is 0. Both pointers are valid only during the call.
using KvSockCallback = void (*)(void* ctx, void* head, void* payload);

// Connects to the Unix stream socket at dev_path(path) and starts the reader
// thread. `mode` is kept as given. Returns 0 when connected, -1 otherwise; a
// later send retries the connection.
int kv_sock_init(KvSockCallback cb, void* ctx, int mode, const char* path);

// Sends one message (payload copied). 0 when sent, -1 otherwise (not
// initialised, not connected, length outside 0..1 MiB, failed write).
int kv_sock_send_msg(int kind, int code, const void* payload, int len, int flags);

// Closes the connection and joins the reader: no callback runs after it returns.
int kv_sock_uninit();

// Connections this process has made so far (tests wait for the peer to have
// read all of them).
int kv_sock_connections();
