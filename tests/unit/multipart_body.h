// Builds multipart/form-data bodies and feeds them to the pre-parse.
#pragma once
#include <dirent.h>
#include <sys/types.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cgi/cgic.h"

struct Part {
  Part(std::string n, std::string b, std::string f = "", std::string t = "")
      : name(std::move(n)), body(std::move(b)), file_name(std::move(f)), content_type(std::move(t)) {}
  std::string name;
  std::string body;
  std::string file_name;     // empty: a plain field
  std::string content_type;  // empty: no Content-Type line
};

inline std::string multipart(const std::string& boundary, const std::vector<Part>& parts, bool close = true) {
  std::string s = "preamble ignored\r\n";
  for (const Part& p : parts) {
    s += "--" + boundary + "\r\n";
    s += "Content-Disposition: form-data; name=\"" + p.name + "\"";
    if (!p.file_name.empty()) s += "; filename=\"" + p.file_name + "\"";
    s += "\r\n";
    if (!p.content_type.empty()) s += "Content-Type: " + p.content_type + "\r\n";
    s += "\r\n" + p.body + "\r\n";
  }
  if (close) s += "--" + boundary + "--\r\n";
  return s;
}

// Runs the pre-parse over body with the given boundary and content length
// (-1: the body's size). The stream stays open in *in_out when given.
inline int parse_body(const std::string& body, const char* boundary, int length = -1,
                      FILE** in_out = nullptr) {
  static char bound[1024];
  snprintf(bound, sizeof bound, "%s", boundary);
  cgiMultipartBoundary = bound;
  FILE* in = tmpfile();
  fwrite(body.data(), 1, body.size(), in);
  rewind(in);
  cgiIn = in;
  cgiContentLength = length < 0 ? static_cast<int>(body.size()) : length;
  int r = cgiParseMultipartBody();
  if (in_out) {
    *in_out = in;
  } else {
    fclose(in);
    cgiIn = stdin;
  }
  return r;
}

// Names in a directory (without "." and "..").
inline std::vector<std::string> dir_names(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) out.push_back(e->d_name);
    closedir(d);
  }
  return out;
}
