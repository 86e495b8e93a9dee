// The built webcgi run as the web server runs it: a child process with a CGI
// environment, the body on standard input, the answer read from standard output.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/test_root.h"

namespace fs = std::filesystem;

namespace {

struct Request {
  std::string method;
  std::string path_info;
  std::string query;
  std::string content_type;
  std::string body;
  std::map<std::string, std::string> extra_env = {};
};

Request get(const std::string& route, const std::string& query = "") { return {"GET", route, query, "", ""}; }
Request post(const std::string& route, const std::string& type, const std::string& body) {
  return {"POST", route, "", type, body};
}

// An extra_env value that removes the variable instead.
const char kUnsetEnv[] = "\x01unset";

struct Answer {
  int exit_status = -1;  // -1 when the program did not exit normally
  int signal = 0;
  bool timed_out = false;
  std::string out;
  std::string err;  // standard error, shown when a case fails (sanitizer reports land here)
};

std::string slurp(const std::string& path) {
  std::string s;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    fclose(f);
  }
  return s;
}

// Runs NVR_BIN_DIR/webcgi on the request with a clean environment, the root's
// device paths and the build's tools on PATH; gives up after 20 s.
Answer run_webcgi(const TestRoot& root, const Request& req) {
  const std::string in_path = root.path("/tmp/e2e-stdin");
  const std::string out_path = root.path("/tmp/e2e-stdout");
  const std::string err_path = root.path("/tmp/e2e-stderr");
  {
    FILE* in = fopen(in_path.c_str(), "wb");
    EXPECT_NE(in, nullptr);
    if (in) {
      fwrite(req.body.data(), 1, req.body.size(), in);
      fclose(in);
    }
  }
  std::map<std::string, std::string> env = {
      {"NVR_ROOT", root.dir()},
      {"NVR_TIME_SCALE", "0.01"},
      {"PATH", std::string(NVR_BIN_DIR) + ":/usr/sbin:/usr/bin:/sbin:/bin"},
      {"GATEWAY_INTERFACE", "CGI/1.1"},
      {"SERVER_PROTOCOL", "HTTP/1.1"},
      {"SERVER_NAME", "127.0.0.1"},
      {"SERVER_PORT", "80"},
      {"REMOTE_ADDR", "127.0.0.1"},
      {"HTTP_HOST", "127.0.0.1"},
      {"SCRIPT_NAME", "/cgi-bin/webcgi"},
      {"REQUEST_METHOD", req.method},
      {"PATH_INFO", req.path_info},
      {"QUERY_STRING", req.query},
  };
  if (!req.content_type.empty()) env["CONTENT_TYPE"] = req.content_type;
  if (req.method != "GET") env["CONTENT_LENGTH"] = std::to_string(req.body.size());
  for (const auto& [k, v] : req.extra_env) env[k] = v;
  std::erase_if(env, [](const auto& kv) { return kv.second == kUnsetEnv; });

  std::vector<std::string> env_text;
  for (const auto& [k, v] : env) env_text.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& s : env_text) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string prog = std::string(NVR_BIN_DIR) + "/webcgi";
  char* argv[] = {prog.data(), nullptr};

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  Answer a;
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << prog << ": " << strerror(rc);
    return a;
  }
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      a.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!a.timed_out && WIFEXITED(status)) a.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) a.signal = WTERMSIG(status);
  a.out = slurp(out_path);
  a.err = slurp(err_path);
  for (const auto& p : {in_path, out_path, err_path}) unlink(p.c_str());
  return a;
}

std::string describe(const Request& r) {
  return r.method + " " + r.path_info + (r.query.empty() ? "" : "?" + r.query) + " [" + r.content_type + "]";
}

std::string multipart(const std::string& boundary, const std::string& filename, const std::string& data) {
  return "--" + boundary + "\r\n" +
         "Content-Disposition: form-data; name=\"file\"; filename=\"" + filename + "\"\r\n" +
         "Content-Type: text/plain\r\n\r\n" + data + "\r\n--" + boundary + "--\r\n";
}

class WebcgiProcess : public ::testing::Test {
 protected:
  TestRoot root_;
};

TEST_F(WebcgiProcess, RequestsThatReachNoHandlerWriteNothingAndExitZero) {
  const std::vector<Request> cases = {
      get("/9999"),
      get(""),
      get("/vb.htm/"),
      get("/vb.htmx", "softversion"),
      get("/" + std::string(300, '6')),
      {"PUT", "/vb.htm", "", "application/json", "softversion"},
      {"DELETE", "/vb.htm", "softversion", "", ""},
      post("/vb.htm", "text/xml", "softversion"),
      post("/vb.htm", "", "softversion"),
      post("", "application/json", "{}"),
  };
  for (const auto& r : cases) {
    Answer a = run_webcgi(root_, r);
    EXPECT_EQ(a.exit_status, 0) << describe(r) << " signal " << a.signal << "\n" << a.err;
    EXPECT_EQ(a.out, "") << describe(r);
  }
}

// Off the recorder an empty root is the host's own /mnt/nand: refused before any work.
TEST_F(WebcgiProcess, HostBuildWithoutRootRefusesAndTouchesNoHostFile) {
  const char* host_files[] = {"/mnt/nand/app/kvdb.db", "/mnt/nand/cgi_log.txt", "/tmp/cgilockfile", "/mnt/nand"};
  std::vector<bool> existed;
  for (const char* f : host_files) existed.push_back(fs::exists(f));
  for (const char* root : {kUnsetEnv, ""}) {
    for (Request r : {post("/6109", "application/x-www-form-urlencoded", "1"), get("/6100"), get("/1022")}) {
      r.extra_env = {{"NVR_ROOT", root}};
      Answer a = run_webcgi(root_, r);
      EXPECT_EQ(a.exit_status, 2) << describe(r);
      EXPECT_EQ(a.out, "") << describe(r);
      EXPECT_NE(a.err.find("NVR_ROOT"), std::string::npos) << a.err;
      EXPECT_EQ(std::count(a.err.begin(), a.err.end(), '\n'), 1) << a.err;
    }
  }
  for (size_t i = 0; i < std::size(host_files); ++i) EXPECT_EQ(fs::exists(host_files[i]), existed[i]) << host_files[i];
}

TEST_F(WebcgiProcess, SoftwareVersionAnswersByGetAndPost) {
  const std::string want = "Content-type: text/plain\r\n\r\n7x.7.0.9";
  const std::vector<Request> cases = {
      get("/vb.htm", "softversion"),
      {"post", "/vb.htm", "", "application/x-www-form-urlencoded", "softversion"},
      post("/vb.htm", "Application/JSON; charset=utf-8", "softversion"),
  };
  for (const auto& r : cases) {
    Answer a = run_webcgi(root_, r);
    EXPECT_EQ(a.exit_status, 0) << describe(r) << "\n" << a.err;
    EXPECT_EQ(a.out, want) << describe(r);
  }
}

// The chip text comes from the device tool found on PATH; its own output must
// not leak into the answer.
TEST_F(WebcgiProcess, ChipInfoRunsTheDeviceToolFromPath) {
  Answer a = run_webcgi(root_, get("/vb.htm", "paratest=chipinfo"));
  EXPECT_EQ(a.exit_status, 0);
  EXPECT_EQ(a.out, "Content-type: text/plain\r\n\r\nOK chipinfo=KVN000000H00E0000000S00000000000\r\n");
  EXPECT_FALSE(root_.exists("/tmp/chipinfo.txt"));
}

// Service commands through the real program: pairs, the 64-character rule,
// chip edits with their padding, and values that could reach the shell.
TEST_F(WebcgiProcess, ServiceCommandsRunInOrderAndRefuseWhatTheyCannotTake) {
  const std::string text = "Content-type: text/plain\r\n\r\n";
  const struct {
    std::string query;
    std::string answer;
  } cases[] = {
      {"setlang=2&decode=4", text + "OKOK"},  // the language goes to the daemon, none runs here
      {"pendle", text + "ERROR"},
      {"decode=1&decode=" + std::string(50, '7'), text + "PARAM ERROR"},
      {"modelupdate=N12", text + "OK modelupdate"},
      {"chipupdate=S1234567890A", text + "OK chipupdate"},
      {"chipupdate=KVN111111H11E1111111S11", text + "OK chipupdate"},
      {"chipupdate=N1;touch%20pwned", text + "NG chipupdate"},
      {"modelupdate=N$(touch%20pwned)", text + "NG modelupdate"},
      {"modelupdate=H1234", text + "NG modelupdate"},
  };
  std::string chips;
  for (const auto& c : cases) {
    Answer a = run_webcgi(root_, get("/vb.htm", c.query));
    EXPECT_EQ(a.exit_status, 0) << c.query;
    EXPECT_EQ(a.out, c.answer) << c.query << "\n" << a.err;
    chips += root_.read_file("/mnt/nand/chip.txt");
  }
  EXPECT_EQ(root_.read_file("/mnt/nand/chip.txt"), "KVN111111H11E1111111S11000000000\n");
  EXPECT_NE(chips.find("KVN120000H00E0000000S00000000000\n"), std::string::npos);
  EXPECT_NE(chips.find("KVN120000H00E00000001234567890A0\n"), std::string::npos);  // chip 21-31
  EXPECT_FALSE(root_.exists("/pwned"));
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_EQ(run_webcgi(root_, get("/vb.htm", "softversion")).out, text + "7x.7.0.9");
}

TEST_F(WebcgiProcess, HostileRequestsNeitherCrashNorHang) {
  std::string many_lines;
  for (int i = 0; i < 5000; ++i) many_lines += "line " + std::to_string(i) + "\n";
  std::string binary(4096, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 + 3);
  const std::string json = "application/json";
  std::vector<Request> cases = {
      post("/vb.htm", json, std::string(200000, 'x')),
      post("/vb.htm", json, many_lines),
      post("/vb.htm", json, binary),
      get("/vb.htm", std::string(5000, '=')),
      get("/vb.htm", "%22%22%22%2" + std::string(3000, '&') + "%22"),
      get("/vb.htm", "setlang=" + std::string(4000, '9')),
      post("/9999", "multipart/form-data; boundary=", binary),
      post("/9999", "multipart/form-data; boundary=" + std::string(2000, 'b'),
           multipart(std::string(2000, 'b'), "a.txt", "data")),
      post("/9999", "multipart/form-data", multipart("", std::string(1000, 'n'), binary)),
      get("/vb.htm", "softversion"),
      post("/vb.htm", json, "softversion"),
  };
  cases[9].extra_env = {{"CONTENT_LENGTH", "-5"}, {"HTTP_COOKIE", std::string(10000, ';')}};
  cases[10].extra_env = {{"CONTENT_LENGTH", "99999999999999999999"}};
  for (const auto& r : cases) {
    Answer a = run_webcgi(root_, r);
    EXPECT_FALSE(a.timed_out) << describe(r);
    EXPECT_EQ(a.signal, 0) << describe(r);
    EXPECT_TRUE(a.exit_status == 0 || a.exit_status == 255)
        << describe(r) << " exit " << a.exit_status << "\n" << a.err;
  }
}

TEST_F(WebcgiProcess, UploadsStayInsideTheDeviceTemporaryDirectory) {
  const std::string tag = "nvr-e2e-" + std::to_string(getpid());
  const std::string outside = fs::path(root_.dir()).parent_path().string() + "/" + tag + ".txt";
  for (const std::string& name : {"../../" + tag + ".txt", "..\\..\\" + tag + ".txt", "/tmp/../../" + tag + ".txt"}) {
    // A route with a handler, so that the upload is moved to its safe name.
    Answer a = run_webcgi(root_, post("/vb.htm", "multipart/form-data; boundary=XyZ", multipart("XyZ", name, "payload")));
    EXPECT_EQ(a.exit_status, 0) << name << "\n" << a.err;
    EXPECT_FALSE(fs::exists(outside)) << name;
    EXPECT_FALSE(fs::exists("/tmp/" + tag + ".txt")) << name;
  }
  // "/vb.htm" does not keep uploads: nothing is left behind in the device's /tmp either.
  EXPECT_TRUE(fs::is_empty(root_.path("/tmp")));
}

TEST_F(WebcgiProcess, UploadCutShortFailsWithoutLeavingATemporaryFile) {
  std::string body = multipart("XyZ", "cut.txt", std::string(3000, 'd'));
  body.resize(body.size() / 2);
  Answer a = run_webcgi(root_, post("/9999", "multipart/form-data; boundary=XyZ", body));
  EXPECT_EQ(a.exit_status, 255);
  EXPECT_EQ(a.out, "");
  for (const auto& e : fs::directory_iterator(root_.path("/tmp")))
    EXPECT_NE(e.path().filename().string().rfind("cgic", 0), 0u) << e.path();
}

}  // namespace
