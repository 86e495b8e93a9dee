#include "support/test_root.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "base/paths.h"

namespace fs = std::filesystem;

TestRoot::TestRoot() {
  char tmpl[] = "/tmp/nvrtest.XXXXXX";
  char* d = mkdtemp(tmpl);
  if (!d) throw std::runtime_error("mkdtemp failed");
  dir_ = d;
  for (const char* sub : {"/tmp", "/var/run", "/mnt/nand/app", "/mnt/nand2", "/opt/app/bin",
                          "/opt/app/www/webfile/json"})
    fs::create_directories(dir_ + sub);
  setenv("NVR_ROOT", dir_.c_str(), 1);
  setenv("NVR_TIME_SCALE", "0.01", 1);
  nvr_env_reload();
}

TestRoot::~TestRoot() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
  unsetenv("NVR_ROOT");
  nvr_env_reload();
}

void TestRoot::write_file(const std::string& device_path, const std::string& content) const {
  fs::create_directories(fs::path(path(device_path)).parent_path());
  std::ofstream(path(device_path), std::ios::binary) << content;
}

std::string TestRoot::read_file(const std::string& device_path) const {
  std::ifstream in(path(device_path), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool TestRoot::exists(const std::string& device_path) const { return fs::exists(path(device_path)); }

CgiOutput::CgiOutput() : file_(tmpfile()), saved_(cgiOut) { cgiOut = file_; }

CgiOutput::~CgiOutput() {
  cgiOut = saved_;
  fclose(file_);
}

std::string CgiOutput::text() {
  fflush(file_);
  long end = ftell(file_);
  std::string s(static_cast<size_t>(end), '\0');
  rewind(file_);
  size_t got = fread(s.data(), 1, s.size(), file_);
  s.resize(got);
  fseek(file_, 0, SEEK_END);
  return s;
}

std::string call_route(const char* route, const std::string& text) {
  CgiOutput out;
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  DispatchWebReq(route, buf.data());
  return out.text();
}

void CgiEnv::apply() const {
  for (const char* v : {"SERVER_SOFTWARE", "SERVER_NAME", "GATEWAY_INTERFACE", "SERVER_PROTOCOL",
                        "SERVER_PORT", "PATH_TRANSLATED", "SCRIPT_NAME", "REMOTE_HOST", "AUTH_TYPE",
                        "REMOTE_USER", "REMOTE_IDENT", "HTTP_ACCEPT", "HTTP_USER_AGENT", "HTTP_REFERER"})
    unsetenv(v);
  auto set = [](const char* k, const std::string& v) {
    if (v.empty())
      unsetenv(k);
    else
      setenv(k, v.c_str(), 1);
  };
  set("REQUEST_METHOD", method);
  set("PATH_INFO", path_info);
  set("QUERY_STRING", query);
  set("CONTENT_TYPE", content_type);
  set("CONTENT_LENGTH", content_length);
  set("HTTP_COOKIE", cookie);
  set("REMOTE_ADDR", remote_addr);
  set("HTTP_HOST", host);
}

std::pair<int, std::string> run_cgi(const CgiEnv& env, const std::string& body) {
  env.apply();
  FILE* in = tmpfile();
  fwrite(body.data(), 1, body.size(), in);
  rewind(in);
  FILE* out = tmpfile();
  int status = cgiMainRun(in, out);
  fflush(out);
  long end = ftell(out);
  std::string s(static_cast<size_t>(end), '\0');
  rewind(out);
  s.resize(fread(s.data(), 1, s.size(), out));
  fclose(in);
  fclose(out);
  cgiIn = stdin;
  cgiOut = stdout;
  return {status, s};
}
