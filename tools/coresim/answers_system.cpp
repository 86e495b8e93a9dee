// System and user answers.
//
// 3504 carries the query of the e-mail sign-in link (256 bytes of text). The
// link is accepted (reply int32 0) when it holds "token=" followed by exactly
// 32 hex digits, ended by '&' or the end of the text, and those digits are
// kCoreMailDemoToken or a token issued by coresim_issue_mail_token() that has
// not been used yet; anything else is refused (-1). The demo token stands in
// the request log line so that a demo can find it.
#include "answers_system.h"

#include <cctype>
#include <cstring>
#include <random>
#include <string_view>

namespace {

std::string int32_payload(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

// The token of a link text, or "" when it has none of the right form.
std::string link_token(std::string_view payload) {
  std::string text(payload.substr(0, payload.find('\0')));
  static constexpr std::string_view kKey = "token=";
  for (size_t at = text.find(kKey); at != std::string::npos; at = text.find(kKey, at + 1)) {
    if (at > 0 && text[at - 1] != '?' && text[at - 1] != '&') continue;  // "xtoken=" is another key
    size_t start = at + kKey.size(), end = start;
    while (end < text.size() && isxdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end - start == 32 && (end == text.size() || text[end] == '&')) {
      std::string token = text.substr(start, 32);
      for (char& c : token) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      return token;
    }
  }
  return {};
}

std::vector<CoreReply> mail_login(CoreDevice& dev, const CoreRequest& req) {
  std::string token = link_token(req.payload);
  bool accepted = token == kCoreMailDemoToken;
  if (!accepted && !token.empty()) {
    std::lock_guard<std::mutex> lk(dev.mu);
    accepted = dev.part<CoreSystemState>().mail_tokens.erase(token) == 1;
  }
  return {reply_to(req, int32_payload(accepted ? 0 : -1))};
}

std::string describe_mail_login(const CoreRequest& req) {
  std::string token = link_token(req.payload);
  return "link token " + (token.empty() ? std::string("none") : token) + "; demo token " + kCoreMailDemoToken;
}

std::vector<CoreReply> poe_pwd_change(CoreDevice&, const CoreRequest& req) {
  return {reply_to(req, int32_payload(0))};
}

template <uint64_t CoreSystemState::*Counter>
std::vector<CoreReply> count_notice(CoreDevice& dev, const CoreRequest&) {
  std::lock_guard<std::mutex> lk(dev.mu);
  ++(dev.part<CoreSystemState>().*Counter);
  return {};
}

std::string describe_users_changed(const CoreRequest& req) {
  int32_t id = -1;
  if (req.payload.size() == sizeof id) memcpy(&id, req.payload.data(), sizeof id);
  return req.payload.empty() ? "all users" : "user " + std::to_string(id);
}

const CoreAnswerTable kSystemAnswers = {
    {sys::kReqMailLogin, mail_login, describe_mail_login},
    {sys::kReqPoePwdChange, poe_pwd_change, nullptr},
    {sys::kReqPoePwdApply, count_notice<&CoreSystemState::poe_pwd_applied>, nullptr},
    {sys::kReqUsersChanged, count_notice<&CoreSystemState::users_changed>, describe_users_changed},
};

}  // namespace

std::string coresim_issue_mail_token(CoreDevice& dev) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device rd;
  std::string token;
  for (int i = 0; i < 32; ++i) token += kHex[rd() % 16];
  std::lock_guard<std::mutex> lk(dev.mu);
  dev.part<CoreSystemState>().mail_tokens.insert(token);
  return token;
}

CoreSystemState coresim_system_state(CoreDevice& dev) {
  std::lock_guard<std::mutex> lk(dev.mu);
  return dev.part<CoreSystemState>();
}
