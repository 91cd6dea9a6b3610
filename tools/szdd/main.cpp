// szdd INPUT OUTPUT: writes INPUT compressed as an SZDD file.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "szdd.h"

namespace {

int fail(const char* what, const char* path) {
  std::fprintf(stderr, "szdd: %s '%s': %s\n", what, path, std::strerror(errno));
  return 1;
}

bool readAll(const char* path, std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode)) data.reserve(size_t(st.st_size));
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    data.insert(data.end(), chunk, chunk + got);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool writeAll(const char* path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size() && std::fflush(f) == 0;
  int error = errno;  // the first failure's
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    // Leave no truncated file that a build could take for a finished one.
    struct stat st;
    if (stat(path, &st) == 0 && S_ISREG(st.st_mode)) std::remove(path);
    errno = error;
  }
  return ok;
}

// The header keeps the last character of the input's base name.
uint8_t lastChar(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* base = slash ? slash + 1 : path;
  const size_t n = std::strlen(base);
  return n ? uint8_t(base[n - 1]) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: szdd INPUT OUTPUT\n");
    return 2;
  }
  std::vector<uint8_t> data, file;
  errno = 0;
  if (!readAll(argv[1], data)) return fail("cannot read", argv[1]);
  if (!szdd::compress(data.data(), data.size(), lastChar(argv[1]), file)) {
    std::fprintf(stderr, "szdd: '%s' is too large (4 GiB or more)\n", argv[1]);
    return 1;
  }
  errno = 0;
  if (!writeAll(argv[2], file)) return fail("cannot write", argv[2]);
  return 0;
}
