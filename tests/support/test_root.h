// Test fixtures: a private device root per test and capture of the answer.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// Makes a fresh device root (with the directories the device has), points
// NVR_ROOT at it and sets NVR_TIME_SCALE to 0.01; removes it afterwards.
class TestRoot {
 public:
  TestRoot();
  ~TestRoot();
  TestRoot(const TestRoot&) = delete;
  TestRoot& operator=(const TestRoot&) = delete;

  const std::string& dir() const { return dir_; }
  // Root + device path.
  std::string path(const std::string& device_path) const { return dir_ + device_path; }
  void write_file(const std::string& device_path, const std::string& content) const;
  std::string read_file(const std::string& device_path) const;
  bool exists(const std::string& device_path) const;

 private:
  std::string dir_;
};

// Redirects cgiOut into a temporary file while alive.
class CgiOutput {
 public:
  CgiOutput();
  ~CgiOutput();
  CgiOutput(const CgiOutput&) = delete;
  CgiOutput& operator=(const CgiOutput&) = delete;
  std::string text();  // everything written so far

 private:
  FILE* file_;
  FILE* saved_;
};

// Dispatches one request text to a route in-process and returns the answer.
std::string call_route(const char* route, const std::string& text);

// Sets the CGI environment variables of a request (clears the others).
struct CgiEnv {
  std::string method = "GET";
  std::string path_info;
  std::string query;
  std::string content_type;
  std::string content_length;
  std::string cookie;
  std::string remote_addr = "127.0.0.1";
  std::string host = "127.0.0.1";
  void apply() const;
};

// Runs the whole front end in-process over env with stdin text `body`.
// Returns {exit status, answer}.
std::pair<int, std::string> run_cgi(const CgiEnv& env, const std::string& body);
