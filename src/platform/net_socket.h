// Platform network helpers: a TCP connection to a named host.
#pragma once

// A TCP socket (close-on-exec), or -1.
int socket_create();
// Resolves host and connects within timeout_ms; sends and receives then give
// up after the same time. 0, or -1.
int socket_connect(int fd, const char* host, int port, int timeout_ms);
// Closes the socket and forgets its encryption keys.
void socket_destroy(int fd);
