// Answer writers and ready-made reply converters. A converter writes the one
// answer of its request through answer_text / answer_json, which also mark the
// request answered (g_callback_done), so a handler and a converter write the
// same way.
#pragma once
#include <json-c/json.h>

#include "common/ipc.h"
#include "common/json_util.h"

// text/plain answer ("OK", "ERROR", a number).
void answer_text(const char* text);
// application/json answer, printed by json-c in insertion order.
void answer_json(const json_object* obj);
inline void answer_json(const JsonPtr& obj) { answer_json(obj.get()); }
// The common text answers of set routes.
inline void answer_ok() { answer_text("OK"); }
// "OK" when ok, else the error answer the route gives.
void answer_ok_or(bool ok, ErrMode err);

// Ready-made converters for reply rows of one 32-bit word. Each prints
// nothing below one record.
void reply_ok_error(const IpcReply& r);   // "OK" for 0, "Error" otherwise
void reply_word_json(const IpcReply& r);  // {<row key>: word}

constexpr IpcReplyRoute ok_error_row(IpcCode c) { return {reply_of(c), 4, reply_ok_error}; }
constexpr IpcReplyRoute word_row(IpcCode c, const char* key) { return {reply_of(c), 4, reply_word_json, key}; }
// {"res": n}
constexpr IpcReplyRoute res_row(IpcCode c) { return word_row(c, "res"); }
