// Entry points kept for other clients: the language section reader "/json",
// the download stub "/dw.cgi" and the batch camera addresses "/ipc".
#include <arpa/inet.h>
#include <json-c/json.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_camera.h"

namespace {
constexpr const char* kLangDir = "/opt/app/www/webfile/json";
constexpr size_t kLangChars = 63;
constexpr size_t kPageChars = 127;
constexpr size_t kSectionBytes = 307200 - 1;  // the answer's buffer less its terminator
constexpr int kLineBytes = 1024;

// Value of `key` among the name=value pairs of a query, cut to `chars`;
// "" when the key is missing or empty. Keys are whole names ("sub=" is not
// found inside "nosub=").
std::string query_value(const char* text, const char* key, size_t chars) {
  const size_t klen = strlen(key);
  for (const char* p = text; p;) {
    if (strncmp(p, key, klen) == 0 && p[klen] == '=') {
      const char* v = p + klen + 1;
      return std::string(v, std::min(strcspn(v, "&"), chars));
    }
    p = strchr(p, '&');
    if (p) ++p;
  }
  return "";
}

// A language names a file of the language directory: letters, digits, '-'
// and '_' only, so no path can be built from it.
bool language_ok(const std::string& lang) {
  if (lang.empty()) return false;
  for (unsigned char c : lang)
    if (!isalnum(c) && c != '-' && c != '_') return false;
  return true;
}

void append_bounded(std::string& out, const char* s) {
  size_t room = kSectionBytes - out.size();
  out.append(s, std::min(strlen(s), room));
}
}  // namespace

void on_get_lang_section(char* text) {
  const std::string lang = query_value(text, "lang", kLangChars);
  const std::string page = query_value(text, "page", kPageChars);
  const std::string sub = query_value(text, "sub", kPageChars);
  if (page.empty()) {
    answer_text("ERROR PAGE.");
    return;
  }
  const std::string name = sub.empty() ? page : page + "=" + sub;
  const std::string start = "{//" + name + ".json", end = "}//" + name + ".json";
  FILE* f = nullptr;
  if (language_ok(lang)) f = fopen((dev_path(kLangDir) + "/" + lang + ".json").c_str(), "r");
  if (!f) {
    answer_text("ERROR LANG.");
    return;
  }
  std::string out;
  bool copying = false;
  char line[kLineBytes];
  while (fgets(line, sizeof line, f)) {
    if (strstr(line, start.c_str())) {
      append_bounded(out, "{\n");
      copying = true;
    } else if (strstr(line, end.c_str())) {
      append_bounded(out, "\n}");
      break;
    } else if (copying) {
      append_bounded(out, line);
    }
  }
  fclose(f);
  cgi_writeback_webserver(1, out.c_str());
}

void on_dw_download(char*) { answer_text("NG download"); }

namespace {
constexpr JsonRule kIpcRules[] = {
    {"startip", true, JsonType::kText, 1, INT32_MAX},
    {"chnNum", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"chnFre", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};
constexpr size_t kStartIpChars = 31;
constexpr int kLastOctet = 255;
}  // namespace

// Address i of the batch goes to the next chnFre slots from slot 0; the
// batch ends at the camera limit and never runs past the last address of
// the start address's network (x.y.z.255).
void on_set_ipc_batch(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kIpcRules)) return;
  char start[kStartIpChars + 1] = "";
  json_get_text(req.get(), "startip", start, sizeof start);
  unsigned char octets[4];
  if (inet_pton(AF_INET, start, octets) != 1) return;
  int count = 0, per_address = 0;
  json_get_int(req.get(), "chnNum", &count);
  json_get_int(req.get(), "chnFre", &per_address);
  int limit = get_param_int(devpaths::kKvdb, "max_cameras", 32);
  if (limit > kCameraChannels) limit = kCameraChannels;

  std::vector<CameraIpSlot> slots;
  for (int i = 0; i < count && static_cast<int>(slots.size()) < limit && octets[3] + i <= kLastOctet; ++i) {
    for (int j = 0; j < per_address && static_cast<int>(slots.size()) < limit; ++j) {
      CameraIpSlot s{};
      s.chn = static_cast<int32_t>(slots.size());
      snprintf(s.ip, sizeof s.ip, "%u.%u.%u.%d", octets[0], octets[1], octets[2], octets[3] + i);
      slots.push_back(s);
    }
  }
  answer_ok_or(write_camera_ips(devpaths::kKvdb, slots.data(), static_cast<int>(slots.size())) == 0, ErrMode::kText);
}
