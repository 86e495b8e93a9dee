// Factory rows of the event action families: the action intervals every such
// row starts with, and the rows keyed by channel and one index (smart event,
// camera input, plate-list mode, counting region).
#pragma once
#include <cstdint>

#include "platform/kvdb.h"

// No actions, 10 s between them, a minute between e-mails, no audio file.
template <class Rec>
void set_factory_intervals(Rec& r) {
  r.interval = 10;
  r.email_interval = 60;
  r.ptz_interval = 10;
  r.alarmout_interval = 10;
  r.white_interval = 10;
  if constexpr (requires { r.warning_light_interval; }) r.warning_light_interval = 10;
  r.http_notification_interval = 10;
  r.audio_id = -1;
}

// One factory row per channel and index lo..hi.
template <class Rec>
int put_event_rows(kvdb::Txn& t, const kvdb::Family& f, int channels, int32_t Rec::*index, int lo, int hi) {
  for (int c = 0; c < channels; ++c)
    for (int i = lo; i <= hi; ++i) {
      Rec r{};
      r.chnid = c;
      r.*index = i;
      set_factory_intervals(r);
      if (t.put(f, nullptr, {}, &r) != 0) return -1;
    }
  return 0;
}
