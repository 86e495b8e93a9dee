// Platform P2P library: key files and the encrypted messages of the relay.
//
// Each side of a connection has an RSA key pair in a key file; switching the
// connection to it sends the own public key and takes the peer's, after
// which every message is sent encrypted for the peer (RSA-OAEP, blocks of at
// most 214 bytes becoming 256) and received decrypted with the own key.
#pragma once
#include <string>

// Where the relay test registers: the build's relay host (a build setting,
// localhost on development machines) and port 9999. Tests point it at a
// relay of their own.
struct P2pRelayAddress {
  std::string host;
  int port;
};
P2pRelayAddress& p2p_relay_address();

// Writes a new key pair to path (mode 0600, replaced whole). 0, or -1.
int p2p_create_keyfile(const char* path);
// Exchanges public keys over fd with the key of path. 0, or -1 when the key
// file or the peer's key is unusable or the exchange fails.
int p2p_cli_switch_keyfile(int fd, const char* path);
// Bytes that len bytes become when encrypted (0 for len <= 0).
int rsa_cal_ensize(int len);
// Encrypts data in work (work_size bytes) and sends it: len, or -1.
int p2p_send(int fd, const void* data, int len, char* work, int work_size);
// Receives ensize encrypted bytes through work and decrypts them into out
// (out_size bytes): the plain length, or -1.
int p2p_recv(int fd, void* out, int out_size, int ensize, char* work, int work_size);
// Drops the keys of a connection (socket_destroy does it).
void p2p_forget_keys(int fd);
