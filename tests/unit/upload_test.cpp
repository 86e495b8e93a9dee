// Multipart pre-parse and the upload routes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "support/test_root.h"
#include "unit/multipart_body.h"

namespace {
// dir + "/cgic" + six letters or digits, then rest.
bool is_temp_path(const std::string& path, const std::string& dir, const std::string& rest = "") {
  std::string head = dir + "/cgic";
  if (path.size() != head.size() + 6 + rest.size() || path.compare(0, head.size(), head) != 0) return false;
  for (size_t i = head.size(); i < head.size() + 6; ++i)
    if (!isalnum(static_cast<unsigned char>(path[i]))) return false;
  return path.compare(head.size() + 6, std::string::npos, rest) == 0;
}

size_t digits_at(const std::string& s, size_t at) {
  size_t n = 0;
  while (at + n < s.size() && isdigit(static_cast<unsigned char>(s[at + n]))) ++n;
  return n;
}

// "upload_<time>" or "upload_<time>_<n>", then ext.
bool is_generated(const std::string& name, const std::string& ext) {
  if (name.rfind("upload_", 0) != 0) return false;
  size_t at = 7, n = digits_at(name, at);
  if (!n) return false;
  at += n;
  if (at < name.size() && name[at] == '_' && (n = digits_at(name, at + 1))) at += 1 + n;
  return name.compare(at, std::string::npos, ext) == 0;
}

std::string entry_file(const char* name) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  if (!e || !e->tfileName[0]) return "<none>";
  FILE* f = fopen(e->tfileName, "rb");
  if (!f) return "<unreadable>";
  std::string s;
  for (int c; (c = getc(f)) != EOF;) s += static_cast<char>(c);
  fclose(f);
  return s;
}

std::string entry_value(const char* name) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  return e ? std::string(e->value, static_cast<size_t>(e->valueLength)) : "<none>";
}

class ParseTest : public ::testing::Test {
 protected:
  void TearDown() override { cgiFreeResources(); }
  std::vector<std::string> tmp_names() const { return dir_names(root_.path("/tmp")); }
  TestRoot root_;
};

TEST_F(ParseTest, FieldsGoToMemoryAndFilesToPrivateTemporaryFiles) {
  std::string big(5000, 'v');
  std::string body =
      multipart("XYZ", {{"user", "admin"},
                        {"big", big},
                        {"file", std::string("\x00\x01zz\r\n", 6), "fw.bin", "application/octet-stream"}});
  ASSERT_EQ(parse_body(body, "XYZ"), cgiParseSuccess);
  EXPECT_EQ(entry_value("user"), "admin");
  EXPECT_EQ(entry_value("big"), big);
  cgiFormEntry* f = cgiFormEntryFind("file");
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->value, "");
  EXPECT_EQ(f->valueLength, 6);
  EXPECT_STREQ(f->fileName, "fw.bin");
  EXPECT_STREQ(f->contentType, "application/octet-stream");
  EXPECT_EQ(entry_file("file"), std::string("\x00\x01zz\r\n", 6));
  std::string tpath = f->tfileName;
  EXPECT_TRUE(is_temp_path(tpath, root_.path("/tmp"))) << tpath;
  struct stat st {};
  ASSERT_EQ(stat(tpath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_STREQ(cgiFormEntryFind("user")->tfileName, "");
  EXPECT_STREQ(cgiFormEntryFind("user")->contentType, "");

  cgiFreeResources();
  EXPECT_EQ(cgiFormEntryFirst, nullptr);
  EXPECT_NE(access(tpath.c_str(), F_OK), 0);
}

// Bodies built from pieces of the delimiter, so partial matches fail at every
// depth and put-back bytes must come back in their original order.
TEST_F(ParseTest, NearMissesOfTheBoundaryStayInTheValue) {
  const char* pieces[] = {"\r",      "\n",       "-",         "--", "\r\n", "\r\n-", "\r\n--",
                          "\r\n--b", "\r\n--bn", "\r\n--bnd", "b",  "x",    "--bnd", "\r\r\n--bn"};
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string v;
    int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) v += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    bool as_file = round % 2;
    ASSERT_EQ(parse_body(multipart("bndd", {{"a", v, as_file ? "f.txt" : ""}, {"b", "tail"}}), "bndd"),
              cgiParseSuccess)
        << round;
    EXPECT_EQ(as_file ? entry_file("a") : entry_value("a"), v) << round;
    EXPECT_EQ(entry_value("b"), "tail") << round;
    cgiFreeResources();
  }
}

// The first delimiter "--a-a" overlaps itself, so a failed partial match is
// rescanned while put-back bytes are still pending.
TEST_F(ParseTest, FirstBoundaryIsFoundAfterSelfOverlappingNearMisses) {
  const std::string term = "--a-a";
  std::mt19937 rng(11);
  int checked = 0;
  for (int round = 0; round < 400; ++round) {
    std::string pre;
    int n = static_cast<int>(rng() % 16);
    for (int i = 0; i < n; ++i) pre += "-ab"[rng() % 3];
    std::string body = pre + multipart("a-a", {{"f", "v"}}).substr(strlen("preamble ignored\r\n"));
    if (body.find(term) != pre.size()) continue;  // the preamble would hold a delimiter
    ++checked;
    ASSERT_EQ(parse_body(body, "a-a"), cgiParseSuccess) << pre;
    EXPECT_EQ(entry_value("f"), "v") << pre;
    cgiFreeResources();
  }
  EXPECT_GT(checked, 100);
}

TEST_F(ParseTest, EndsWithoutEntriesWhenThereIsNothingToRead) {
  EXPECT_EQ(parse_body("", "XYZ"), cgiParseSuccess);
  EXPECT_EQ(parse_body(multipart("XYZ", {{"a", "1"}}), "XYZ", 0), cgiParseSuccess);
  EXPECT_EQ(parse_body("no boundary here at all", "XYZ"), cgiParseSuccess);
  EXPECT_EQ(parse_body("--XYZ--\r\n", "XYZ"), cgiParseSuccess);
  EXPECT_EQ(cgiFormEntryFirst, nullptr);
  // A last part followed by neither "--" nor more input still counts.
  std::string open_end = multipart("XYZ", {{"a", "1"}}, false) + "--XYZ";
  EXPECT_EQ(parse_body(open_end, "XYZ"), cgiParseSuccess);
  EXPECT_EQ(entry_value("a"), "1");
}

TEST_F(ParseTest, PrematureEndFailsAndLeavesNoTemporaryFile) {
  std::string whole = multipart("XYZ", {{"first", "done", "one.bin"}, {"file", "abcdef", "two.bin"}});
  std::string cut = whole.substr(0, whole.find("abcdef") + 3);
  EXPECT_EQ(parse_body(cut, "XYZ"), cgiParseIO);
  EXPECT_EQ(cgiFormEntryFirst, nullptr);
  EXPECT_TRUE(tmp_names().empty());
  // Ends inside the header block of a part.
  std::string in_headers = whole.substr(0, whole.find("name=\"file\""));
  EXPECT_EQ(parse_body(in_headers, "XYZ"), cgiParseIO);
  EXPECT_TRUE(tmp_names().empty());
}

TEST_F(ParseTest, NeverReadsBeyondContentLength) {
  std::string body = multipart("XYZ", {{"a", "12345"}});
  FILE* in = nullptr;
  // The rest of the stream holds a closing boundary the length does not cover.
  std::string cut = body.substr(0, body.find("12345") + 5);
  EXPECT_EQ(parse_body(cut + "\r\n--XYZ--\r\n", "XYZ", static_cast<int>(cut.size()), &in), cgiParseIO);
  EXPECT_EQ(ftell(in), static_cast<long>(cut.size()));
  fclose(in);
  ASSERT_EQ(parse_body(body + "TRAILING", "XYZ", static_cast<int>(body.size()), &in), cgiParseSuccess);
  EXPECT_LE(ftell(in), static_cast<long>(body.size()));
  fclose(in);
  cgiIn = stdin;
}

TEST_F(ParseTest, HeaderForms) {
  std::string body =
      "--XYZ\r\n"
      "content-disposition:   FORM-DATA; NAME=plain ; Filename*=UTF-8''x.bin; fileName=\"a;b.txt\"\r\n"
      "CONTENT-TYPE: text/plain; charset=utf-8\r\n"
      "\r\n"
      "data\r\n"
      "--XYZ\r\n"
      "Content-Disposition: attachment; name=\"skipped\"\r\n"
      "\r\n"
      "Content-Disposition: form-data; name=\"inner\"\r\n"
      "--XYZ\r\n"
      "Content-Disposition: form-data; name=\"" +
      std::string(1500, 'n') + "\"\n\nlf only\r\n--XYZ--\r\n";
  ASSERT_EQ(parse_body(body, "XYZ"), cgiParseSuccess);
  cgiFormEntry* e = cgiFormEntryFind("plain");
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(e->fileName, "a;b.txt");
  EXPECT_STREQ(e->contentType, "text/plain");
  EXPECT_EQ(entry_file("plain"), "data");
  EXPECT_EQ(cgiFormEntryFind("skipped"), nullptr);
  EXPECT_EQ(cgiFormEntryFind("inner"), nullptr);
  // The long header line is kept to 1023 characters; its name parameter to what remains.
  ASSERT_NE(e->next, nullptr);
  EXPECT_EQ(std::string(e->next->attr), std::string(1023 - strlen("form-data; name=\""), 'n'));
  EXPECT_EQ(entry_value(e->next->attr), "lf only");
}

TEST_F(ParseTest, NoTemporaryDirectoryIsAnInputOutputError) {
  rmdir(root_.path("/tmp").c_str());
  EXPECT_EQ(parse_body(multipart("XYZ", {{"field", "kept?"}, {"file", "x", "x.bin"}}), "XYZ"), cgiParseIO);
  EXPECT_EQ(cgiFormEntryFirst, nullptr);
}

// ---- Upload routes through the whole front end ----

std::vector<std::string> g_texts;
std::string g_file_seen;
std::string g_stdin_seen;

void record_only(char* text) {
  g_texts.push_back(text);
  std::string path = std::string(text).substr(0, std::string(text).find(" & "));
  g_file_seen.clear();
  if (FILE* f = fopen(path.c_str(), "rb")) {
    for (int c; (c = getc(f)) != EOF;) g_file_seen += static_cast<char>(c);
    fclose(f);
  }
}

// A route that keeps what it was given.
void record(char* text) {
  record_only(text);
  cgiKeepUpload();
}

void record_stdin(char* text) {
  g_texts.push_back(text);
  g_stdin_seen.clear();
  EXPECT_EQ(cgiFormEntryFirst, nullptr);
  for (int c; (c = getc(cgiIn)) != EOF;) g_stdin_seen += static_cast<char>(c);
}

const WebRes kRoutes[] = {{"/9001", record},       {"/1019", record}, {"/oem", record},
                          {"/1010", record_stdin}, {"/6082", record}, {"/2079", record},
                          {"/9003", record_only}};

class UploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UnregisterWebModules();
    ASSERT_EQ(WebResRegister(kRoutes, 7), 0);
    g_texts.clear();
  }
  void TearDown() override {
    WebResUnregister(kRoutes, 7);
    RegisterWebModules();
  }
  std::pair<int, std::string> post(const char* route, const std::string& body,
                                   const std::string& query = "") {
    CgiEnv env;
    env.method = "POST";
    env.path_info = route;
    env.query = query;
    env.content_type = "multipart/form-data; boundary=----b0und";
    env.content_length = std::to_string(body.size());
    return run_cgi(env, body);
  }
  // Uploads one file part and returns the text the route received ("" when none).
  std::string upload(const std::string& file_name, const std::string& content = "payload",
                     const std::string& query = "", const char* route = "/9001") {
    g_texts.clear();
    post(route, multipart("----b0und", {{"file", content, file_name, "image/jpeg"}}), query);
    return g_texts.empty() ? "" : g_texts.back();
  }
  std::string tmp() const { return root_.path("/tmp"); }
  std::vector<std::string> tmp_names() const {
    auto v = dir_names(tmp());
    std::sort(v.begin(), v.end());
    return v;
  }
  TestRoot root_;
};

TEST_F(UploadTest, ClientFileNameBecomesASafeNameInTheTemporaryDirectory) {
  EXPECT_EQ(upload("C:\\Users\\me\\photo.jpg", "JPEG"), tmp() + "/photo.jpg");
  EXPECT_EQ(g_file_seen, "JPEG");
  EXPECT_EQ(root_.read_file("/tmp/photo.jpg"), "JPEG");  // the route owns it now
  EXPECT_EQ(upload("dir/sub/ph\x01oto\x1f.png"), tmp() + "/photo.png");
  EXPECT_EQ(upload("../../etc/passwd"), tmp() + "/passwd");
  EXPECT_EQ(tmp_names(), (std::vector<std::string>{"passwd", "photo.jpg", "photo.png"}));
}

TEST_F(UploadTest, UnusableNamesBecomeGeneratedOnes) {
  const std::string ext31 = "." + std::string(30, 'e');
  // Client name -> extension of the generated name (a counter may precede it).
  const std::pair<std::string, std::string> cases[] = {
      {"evil..name.jpg", ".jpg"},
      {"..", "."},
      {"dir/", ""},
      {"a..b" + ext31, ext31},
      {"a..b" + ext31 + "e", ""},
      {".bashrc", ".bashrc"},
      {".export_down_file", ".export_down_file"},
      {"kvcore", ""},
      {"pbdownload", ""},
      {"x..\x01.j\x02pg", ".jpg"},
  };
  for (const auto& [file_name, ext] : cases) {
    std::string text = upload(file_name);
    ASSERT_EQ(text.rfind(tmp() + "/", 0), 0u) << file_name;
    std::string name = text.substr(tmp().size() + 1);
    EXPECT_TRUE(is_generated(name, ext)) << file_name << " -> " << name;
  }
  // Marker files that other routes test for are never created by an upload.
  EXPECT_FALSE(root_.exists("/tmp/kvcore"));
  EXPECT_FALSE(root_.exists("/tmp/pbdownload"));
}

TEST_F(UploadTest, AnUploadNeverReplacesAFile) {
  root_.write_file("/tmp/photo.jpg", "old photo");
  root_.write_file("/tmp/cgilockfile", "lock");
  std::string a = upload("photo.jpg", "new 1");
  std::string b = upload("photo.jpg", "new 2");
  std::string c = upload("photo.jpg", "new 3");
  std::string d = upload("cgilockfile", "new 4");
  EXPECT_EQ(root_.read_file("/tmp/photo.jpg"), "old photo");
  EXPECT_EQ(root_.read_file("/tmp/cgilockfile"), "lock");
  for (const std::string* t : {&a, &b, &c}) {
    EXPECT_TRUE(is_generated(t->substr(tmp().size() + 1), ".jpg")) << *t;
  }
  EXPECT_TRUE(a != b && b != c && a != c);
  EXPECT_EQ(root_.read_file(a.substr(root_.dir().size())), "new 1");
  EXPECT_EQ(root_.read_file(c.substr(root_.dir().size())), "new 3");
  EXPECT_TRUE(is_generated(d.substr(tmp().size() + 1), "")) << d;
  // Nothing was written anywhere but the temporary directory.
  auto top = dir_names(root_.dir());
  std::sort(top.begin(), top.end());
  EXPECT_EQ(top, (std::vector<std::string>{"mnt", "opt", "tmp", "var"}));
}

TEST_F(UploadTest, AnUploadNoHandlerKeepsIsRemovedAtTheEnd) {
  EXPECT_EQ(upload("big.bin", std::string(1 << 16, 'z'), "", "/9003"), tmp() + "/big.bin");
  EXPECT_EQ(g_file_seen.size(), 1u << 16);  // the handler saw it whole
  EXPECT_TRUE(tmp_names().empty());
}

TEST_F(UploadTest, ParamSuffixAndInPlaceRoutes) {
  EXPECT_EQ(upload("cert.pem", "x", "a=1&param:server&b=2"), tmp() + "/cert.pem & server");
  std::string long_param(300, 'p');
  EXPECT_EQ(upload("k.pem", "x", "param:" + long_param), tmp() + "/k.pem & " + std::string(256, 'p'));
  EXPECT_EQ(upload("n.pem", "x", "nothing"), tmp() + "/n.pem");

  for (const char* route : {"/1019", "/oem"}) {
    std::string text = upload("oem.bin", "PKG", "aes=k", route);
    EXPECT_TRUE(is_temp_path(text, tmp(), " & aes=k")) << text;
    EXPECT_EQ(g_file_seen, "PKG");
  }
  // Those routes got the parser's own file, which the release removed.
  EXPECT_EQ(tmp_names(), (std::vector<std::string>{"cert.pem", "k.pem", "n.pem"}));
}

TEST_F(UploadTest, TempRoutesGetTheQueryOnly) {
  std::string body = multipart("----b0und", {{"file", "IMG", "fw.img"}});
  post("/1010", body, "reset");
  ASSERT_EQ(g_texts.size(), 1u);
  EXPECT_EQ(g_texts[0], "temp & reset");
  EXPECT_EQ(g_stdin_seen, body);  // "/1010" reads its image itself
  post("/6082", body, "q=1");
  post("/2079", body, "");
  EXPECT_EQ(g_texts, (std::vector<std::string>{"temp & reset", "temp & q=1", "temp & "}));
  EXPECT_TRUE(tmp_names().empty());
}

TEST_F(UploadTest, WhatEndsWithoutDispatch) {
  EXPECT_EQ(upload(std::string(128, 'n') + ".jpg"), "");  // file name does not fit
  EXPECT_EQ(upload(""), "");                              // not a file
  post("/9001", multipart("----b0und", {{"other", "x", "x.jpg"}}));
  EXPECT_TRUE(g_texts.empty());
  post("", multipart("----b0und", {{"file", "x", "x.jpg"}}));
  post("/9999", multipart("----b0und", {{"file", "x", "x.jpg"}}));  // no such route
  EXPECT_TRUE(g_texts.empty());
  EXPECT_TRUE(tmp_names().empty());

  std::string body = multipart("----b0und", {{"file", "abcdef", "x.jpg"}});
  auto [status, out] = post("/9001", body.substr(0, body.size() - 20));
  EXPECT_EQ(status, -1);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(g_texts.empty());
  EXPECT_TRUE(tmp_names().empty());
  cgiFreeResources();
}

TEST_F(UploadTest, GetRequestHasNoEntries) {
  static cgiFormResultType seen[4];
  static const WebRes probe[] = {{"/9002", [](char*) {
                                    char buf[16];
                                    int n;
                                    seen[0] = cgiFormString("file", buf, sizeof buf);
                                    seen[1] = cgiFormFileName("file", buf, sizeof buf);
                                    seen[2] = cgiFormInteger("a", &n, 0);
                                    seen[3] = cgiFormCheckboxSingle("a");
                                  }}};
  ASSERT_EQ(WebResRegister(probe, 1), 0);
  CgiEnv env;
  env.path_info = "/9002";
  env.query = "file=x&a=1";
  run_cgi(env, "");
  WebResUnregister(probe, 1);
  for (cgiFormResultType r : seen) EXPECT_EQ(r, cgiFormNotFound);
}
}  // namespace
