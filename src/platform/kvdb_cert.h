// Certificate parameters (by kind: 0 certificate, 2 request) and the P2P
// registration record of the configuration database.
#pragma once
#include "proto/cert_proto.h"
#include "proto/p2p_proto.h"

// Zero-filled record and -1 when nothing is stored.
int read_ssl_params(const char* db, cert::CertParams* r, int kind);
int write_ssl_params(const char* db, const cert::CertParams* r, int kind);

int read_p2p_info(const char* db, p2p::P2pInfo* r);
int write_p2p_info(const char* db, const p2p::P2pInfo* r);
