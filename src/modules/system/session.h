// The opt-in session check: with parameter "web_session_check" set to 1,
// every route but sign-in and what a browser needs before it requires a
// "sessionId" cookie that "/1000" issued and that has not expired; account,
// maintenance and service-command routes also require an administrator.
// Off by default, so the web client works as it always has.
#pragma once
#include <cstdint>

inline constexpr const char* kSessionCheckKey = "web_session_check";
inline constexpr int64_t kSessionSeconds = 8 * 3600;

// Remembers a session that "/1000" handed out (expired ones are dropped).
// 0, or -1 when it could not be stored.
int session_store(const char* session_id, const char* user, int32_t user_type);
// The guard of the route table: true when the request may run its handler;
// otherwise it has answered "403" with "CGI ERROR".
bool session_allows(const char* route);
