// Helpers every handler module shares: operation log, session user, file lock,
// file and shell helpers, MAC addresses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ipc.h"
#include "proto/oplog.h"

// Zero-fills the record; main type 4, remote flag 1, remote address, cookie user.
int cgi_init_log_info(OpLogRecord* rec);

// Builds and sends (no wait, request 3485) an operation log record of main
// type 4. `detail` may be null.
void send_op_log(IpcCallback cb, int64_t sub_type, int param_type, int channel, int detail_kind = kLogDetailNone,
                 const void* detail = nullptr, int detail_len = 0);
// The same entry for a change to several channels: the record and the
// channel mask, 688 bytes with request 3509.
void send_op_log_mask(IpcCallback cb, int64_t sub_type, int param_type, int channel, uint64_t mask);

// "userName" cookie into buf (size bytes); -1 for a null buffer or no cookie.
int get_current_username(char* buf, size_t size = 64);

int file_lock(const char* path);
void file_unlock(int fd);

int IsDirExisted(const char* path);
int IsFileExisted(const char* path);
int RemoveFile(const char* src, const char* dst);
int DeleteFile(const char* path);

// 0 when the shell ran the command and it exited 0; else -1.
int web_system(const char* cmd);

// Single-quotes a value for the shell ('it'\''s').
std::string shell_quote(const std::string& s);


int get_mac_addr(char* eth0, char* eth1);

// Stores a text parameter, adding the key when it does not exist yet.
int store_param_text(const char* key, const char* value);
