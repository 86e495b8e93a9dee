#include "platform/kvdb_ptz.h"

#include <cstddef>

#include "platform/kvdb.h"

using namespace ptz;

namespace {
// Factory port: 9600 8N1, first protocol, address channel + 1, RS-485.
constexpr int32_t kFactoryBaud = 9600;
constexpr int32_t kFactoryDataBits = 8;
constexpr int32_t kFactoryStopBits = 1;
constexpr int32_t kFactorySpeed = 5;

int factory_ports(kvdb::Txn& t);
int factory_speeds(kvdb::Txn& t);

constexpr kvdb::Column kPortCols[] = {
    KVDB_COL(PortRecord, channel),   KVDB_COL_AS(PortRecord, baud_rate, "baudRate"),
    KVDB_COL_AS(PortRecord, data_bits, "dataBits"), KVDB_COL_AS(PortRecord, stop_bits, "stopBits"),
    KVDB_COL_AS(PortRecord, parity, "parityType"),  KVDB_COL(PortRecord, protocol),
    KVDB_COL(PortRecord, address),   KVDB_COL(PortRecord, reserved),
    KVDB_COL_AS(PortRecord, connect_type, "connectType"),
};
constexpr kvdb::Family kPortFamily = kvdb::family<PortRecord>("ptz_port", "ptz_port", kPortCols, 1, factory_ports);
KVDB_REGISTER(kPortFamily);

constexpr kvdb::Column kSpeedCols[] = {
    KVDB_COL(SpeedRecord, channel), KVDB_COL(SpeedRecord, pan),   KVDB_COL(SpeedRecord, tilt),
    KVDB_COL(SpeedRecord, zoom),    KVDB_COL(SpeedRecord, focus),
};
constexpr kvdb::Family kSpeedFamily =
    kvdb::family<SpeedRecord>("ptz_speed", "ptz_speed", kSpeedCols, 1, factory_speeds);
KVDB_REGISTER(kSpeedFamily);

// Factory tours are empty: a channel gets its row when a tour is first stored.
constexpr kvdb::Column kTourCols[] = {
    KVDB_KEY("channel"),
    KVDB_BLOB(TourTable, points, "points"),
};
constexpr kvdb::Family kTourFamily = kvdb::family<TourTable>("ptz_tour", "ptz_tour", kTourCols, 1);
KVDB_REGISTER(kTourFamily);

int factory_ports(kvdb::Txn& t) {
  for (int ch = 0; ch < kMaxChannels; ++ch) {
    PortRecord r{};
    r.channel = ch;
    r.baud_rate = kFactoryBaud;
    r.data_bits = kFactoryDataBits;
    r.stop_bits = kFactoryStopBits;
    r.address = ch + 1;
    if (t.put(kPortFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

int factory_speeds(kvdb::Txn& t) {
  for (int ch = 0; ch < kMaxChannels; ++ch) {
    SpeedRecord r{ch, kFactorySpeed, kFactorySpeed, kFactorySpeed, kFactorySpeed};
    if (t.put(kSpeedFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}
}  // namespace

int read_ptz_port(const char* db, PortRecord* rec, int channel) {
  int rc = kvdb::read_one(db, kPortFamily, nullptr, {{"channel", channel}}, rec);
  rec->channel = channel;
  return rc;
}

int write_ptz_ports(const char* db, const PortRecord* recs, int n) {
  return kvdb::transact(db, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (t.put(kPortFamily, nullptr, {}, &recs[i]) != 0) return -1;
    return 0;
  }, &kPortFamily);
}

int read_ptz_speed(const char* db, SpeedRecord* rec, int channel) {
  int rc = kvdb::read_one(db, kSpeedFamily, nullptr, {{"channel", channel}}, rec);
  rec->channel = channel;
  return rc;
}

int write_ptz_speed(const char* db, const SpeedRecord* rec) {
  return kvdb::write_one(db, kSpeedFamily, nullptr, {}, rec);
}

int read_ptz_tour(const char* db, TourTable* rec, int channel) {
  *rec = TourTable{};
  kvdb::Txn t(db, kvdb::Txn::kRead, &kTourFamily);
  if (!t.ok()) return -1;
  return t.get(kTourFamily, nullptr, {{"channel", channel}}, rec) < 0 ? -1 : 0;
}

int write_ptz_tour(const char* db, const TourTable* rec, int channel) {
  return kvdb::write_one(db, kTourFamily, nullptr, {{"channel", channel}}, rec);
}
