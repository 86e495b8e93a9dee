// MD5 digest as 32 lowercase hex characters (the form user records keep).
#pragma once
#include <cstddef>
#include <string>

std::string md5_hex(const void* data, size_t len);
