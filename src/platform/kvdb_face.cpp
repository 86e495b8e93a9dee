#include "platform/kvdb_face.h"

namespace {
int face_defaults(kvdb::Txn& t);
constexpr kvdb::Family kFaceEventFamily =
    kvdb::family<SourceEventRec>("face_event", "face_event", kSourceEventCols, 1, face_defaults);
KVDB_REGISTER(kFaceEventFamily);
int face_defaults(kvdb::Txn& t) { return source_event_defaults(t, kFaceEventFamily, kFaceChannels); }
}  // namespace

int read_face_event(const char* path, SourceEventRec* rec, int chn) {
  return read_source_event(path, kFaceEventFamily, kFaceChannels, rec, chn);
}

int write_face_event(const char* path, const SourceEventRec* rec) {
  return write_source_event(path, kFaceEventFamily, kFaceChannels, rec);
}
