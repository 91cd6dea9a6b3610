// Round trips through the reference decoder, exact longest matches and optimal sizes
// over a table of inputs.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "szdd.h"

namespace {

using Bytes = std::vector<uint8_t>;

int failures = 0;

void check(bool ok, const std::string& name, const std::string& what) {
  if (!ok) {
    ++failures;
    std::fprintf(stderr, "FAIL %s: %s\n", name.c_str(), what.c_str());
  }
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes repeat(const Bytes& unit, size_t times) {
  Bytes out;
  while (times--) out = out + unit;
  return out;
}

// Bytes drawn from `alphabet` consecutive values starting at `first`.
Bytes randomBytes(size_t n, uint32_t seed, int alphabet = 256, uint8_t first = 0) {
  Bytes out(n);
  for (auto& b : out) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    b = uint8_t(first + seed % alphabet);
  }
  return out;
}

Bytes readFile(const char* path) {
  Bytes out;
  FILE* f = std::fopen(path, "rb");
  check(f != nullptr, path, "cannot open");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(uint8_t(c));
  std::fclose(f);
  return out;
}

// Sentences from a small vocabulary: text with many short repeats.
Bytes prose(size_t words, uint32_t seed) {
  static const char* const kWords[] = {"the",   "setup",  "copies", "files", "into",  "folder",
                                       "a",     "of",     "and",    "disk",  "space", "needed",
                                       "shortcut", "Quillmere", "program", "is", "ready", "to"};
  std::string s;
  const Bytes picks = randomBytes(words, seed, sizeof kWords / sizeof *kWords);
  for (size_t i = 0; i < words; ++i) {
    s += kWords[picks[i]];
    s += i % 11 == 10 ? ".\r\n" : " ";
  }
  return text(s);
}

// The byte the decoder sees `back` bytes before data[i]: the ring starts as spaces.
uint8_t seen(const Bytes& d, size_t i, size_t back) { return i < back ? ' ' : d[i - back]; }

size_t matchLength(const Bytes& d, size_t i, size_t distance) {
  const size_t limit = std::min<size_t>(szdd::kMaxMatch, d.size() - i);
  size_t len = 0;
  while (len < limit && seen(d, i + len, distance) == d[i + len]) ++len;
  return len;
}

size_t bruteLongest(const Bytes& d, size_t i) {
  const size_t limit = std::min<size_t>(szdd::kMaxMatch, d.size() - i);
  size_t best = 0;
  for (size_t distance = 1; distance <= szdd::kMaxDistance && best < limit; ++distance)
    if (seen(d, i, distance) == d[i]) best = std::max(best, matchLength(d, i, distance));
  return best < size_t(szdd::kMinMatch) ? 0 : best;
}

// Fewest bits (9 a literal, 17 a match) to code everything, relaxing forwards.
uint64_t optimalBits(const std::vector<szdd::Match>& m) {
  std::vector<uint64_t> bits(m.size() + 1, UINT64_MAX);
  bits[0] = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    bits[i + 1] = std::min(bits[i + 1], bits[i] + 9);
    for (size_t len = szdd::kMinMatch; len <= m[i].len; ++len)
      bits[i + len] = std::min(bits[i + len], bits[i] + 17);
  }
  return bits[m.size()];
}

uint64_t greedyBits(const std::vector<szdd::Match>& m) {
  uint64_t bits = 0;
  for (size_t i = 0; i < m.size(); i += std::max<size_t>(1, m[i].len)) bits += m[i].len ? 17 : 9;
  return bits;
}

size_t fileSize(uint64_t bits) { return szdd::kHeaderSize + size_t((bits + 7) / 8); }

struct Case {
  std::string name;
  Bytes data;
  bool text = false;  // optimal parsing must beat greedy here
};

void checkCase(const Case& c) {
  const Bytes& d = c.data;
  const uint8_t lastChar = d.empty() ? 0 : d.back();
  Bytes file;
  check(szdd::compress(d.data(), d.size(), lastChar, file), c.name, "compress refused");

  const uint8_t header[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', lastChar,
                            uint8_t(d.size()), uint8_t(d.size() >> 8), uint8_t(d.size() >> 16),
                            uint8_t(d.size() >> 24)};
  check(file.size() >= sizeof header && std::memcmp(file.data(), header, sizeof header) == 0,
        c.name, "header");

  szdd::Expanded e;
  check(szdd::expand(file.data(), file.size(), e), c.name, "expand failed");
  check(e.data == d, c.name, "round trip differs");
  check(e.length == d.size() && e.lastChar == lastChar, c.name, "expanded header fields");

  const std::vector<szdd::Match> m = szdd::longestMatches(d.data(), d.size());
  check(m.size() == d.size(), c.name, "one match entry per byte");
  const bool brute = d.size() <= 200000;
  for (size_t i = 0; i < m.size(); ++i) {
    if (m[i].len && matchLength(d, i, m[i].distance) < m[i].len)
      check(false, c.name, "match at " + std::to_string(i) + " does not hold");
    if (brute && m[i].len != bruteLongest(d, i))
      check(false, c.name, "match at " + std::to_string(i) + " is not the longest");
  }

  const size_t optimal = fileSize(optimalBits(m)), greedy = fileSize(greedyBits(m));
  check(file.size() == optimal, c.name,
        "size " + std::to_string(file.size()) + ", optimum " + std::to_string(optimal));
  check(file.size() <= greedy && (!c.text || file.size() < greedy), c.name,
        "size " + std::to_string(file.size()) + ", greedy " + std::to_string(greedy));
  std::printf("%-28s %9zu -> %9zu (greedy %zu)\n", c.name.c_str(), d.size(), file.size(), greedy);
}

// A stream built by hand in the platform's format: a literal 'Q' lands at ring position
// 0xFF0, then a 3-byte match from there copies it onto itself.
void checkDecoder() {
  const Bytes good = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 'x', 4, 0, 0, 0,
                      0x01, 'Q', 0xF0, 0xF0};
  szdd::Expanded e;
  check(szdd::expand(good.data(), good.size(), e) && e.data == text("QQQQ"), "decoder",
        "overlapping match from the first ring position");
  struct Bad {
    const char* name;
    size_t at;  // byte changed, or the size the stream is cut to
    int value;  // -1: cut
  };
  const Bad bads[] = {{"signature", 0, 'X'}, {"magic", 7, 0x34}, {"mode", 8, 'B'},
                      {"short header", 13, -1}, {"cut match", 17, -1}};
  for (const Bad& b : bads) {
    Bytes f = good;
    if (b.value < 0) f.resize(b.at);
    else f[b.at] = uint8_t(b.value);
    check(!szdd::expand(f.data(), f.size(), e), "decoder", std::string("accepts bad ") + b.name);
  }
}

}  // namespace

int main() {
  const Bytes ls = readFile("/usr/bin/ls");
  const Bytes license = readFile("/usr/share/common-licenses/GPL-3");
  Bytes periods;
  for (size_t period = 1; period <= 20; ++period)
    periods = periods + repeat(randomBytes(period, 7 + period), 40);
  Bytes mixed;
  for (uint32_t round = 1; mixed.size() < (3u << 20); ++round)
    mixed = mixed + ls + license + randomBytes(65536, round) + Bytes(65536, 0) + prose(8000, round);

  const Case cases[] = {
      {"empty", {}},
      {"one byte", text("x")},
      {"under 16 bytes", text("Quillmere Setup")},
      {"18 spaces", Bytes(18, ' ')},
      {"spaces then text", Bytes(40, ' ') + text("Setup is ready")},
      {"spaces past the ring", Bytes(5000, ' ') + text("x") + Bytes(30, ' ')},
      {"short runs of spaces", repeat(text("  a   bb    c") + Bytes(17, ' ') + text("d"), 300)},
      {"zeros", Bytes(100000, 0)},
      {"random", randomBytes(60000, 1)},
      {"two-letter random", randomBytes(30000, 2, 2, 'a')},
      {"repeated periods 1..20", periods},
      {"prose", prose(20000, 3), true},
      {"license text", license, true},
      {"executable", ls},
      {"mixed megabytes", mixed},
  };
  for (const Case& c : cases) checkCase(c);

  // A file of spaces is one match into the ring's initial spaces.
  const Bytes spaces(szdd::kMaxMatch, ' ');
  Bytes file;
  szdd::compress(spaces.data(), spaces.size(), ' ', file);
  check(file.size() == szdd::kHeaderSize + 3, "18 spaces", "not a single match");
  checkDecoder();

  std::printf("%s\n", failures ? "FAILED" : "all passed");
  return failures ? 1 : 0;
}
