// Builds a branding package for "/oem": the files as a zip archive, encrypted
// with the 32-character key (AES-256-CBC, random IV), base64 encoded.
//
//   oempack OUT KEY NAME=FILE...     entry NAME with the bytes of FILE
//   oempack OUT KEY NAME:TEXT...     entry NAME with TEXT
//   oempack OUT KEY NAME@TARGET...   entry NAME, a symbolic link to TARGET
//
// Then: curl -F "file=@OUT" "http://.../webcgi/oem?aes=KEY"
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kv_cipher.h"
#include "platform/kv_zip.h"

int main(int argc, char** argv) {
  if (argc < 4 || strlen(argv[2]) != 32) {
    fprintf(stderr, "usage: oempack OUT KEY(32 characters) NAME=FILE|NAME:TEXT|NAME@TARGET...\n");
    return 2;
  }
  std::vector<ZipSource> entries;
  for (int i = 3; i < argc; ++i) {
    const char* sep = strpbrk(argv[i], "=:@");
    if (!sep) {
      fprintf(stderr, "oempack: %s: no '=', ':' or '@'\n", argv[i]);
      return 2;
    }
    ZipSource s{std::string(argv[i], static_cast<size_t>(sep - argv[i])), sep + 1, *sep == '@'};
    if (*sep == '=') {
      std::ifstream in(sep + 1, std::ios::binary);
      if (!in) {
        fprintf(stderr, "oempack: cannot read %s\n", sep + 1);
        return 1;
      }
      std::stringstream ss;
      ss << in.rdbuf();
      s.data = ss.str();
    }
    entries.push_back(std::move(s));
  }
  std::string zip = zip_build(entries);
  unsigned char iv[16];
  if (RAND_bytes(iv, sizeof iv) != 1) return 1;
  std::vector<unsigned char> sealed(zip.size() + 32);
  int n = aesEncryWeb(reinterpret_cast<const unsigned char*>(zip.data()), static_cast<int>(zip.size()), argv[2], iv,
                      sealed.data());
  if (n <= 0) return 1;
  std::string text(static_cast<size_t>(n) / 3 * 4 + 8, '\0');
  int len = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), sealed.data(), n);
  text.resize(static_cast<size_t>(len));
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << text << "\n";
  return out ? 0 : 1;
}
