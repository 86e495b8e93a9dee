#include "common/reply.h"

void answer_text(const char* text) {
  cgi_writeback_webserver(0, text);
  g_callback_done = 1;
}

void answer_json(const json_object* obj) {
  cgi_writeback_webserver(1, json_object_to_json_string(const_cast<json_object*>(obj)));
  g_callback_done = 1;
}

void answer_ok_or(bool ok, ErrMode err) {
  if (ok)
    answer_ok();
  else
    cgi_error_to_webserver(err);
}

void reply_ok_error(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "Error");
}

void reply_word_json(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), r.key ? r.key : "res", r.word());
  answer_json(obj);
}
