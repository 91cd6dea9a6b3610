#include "szdd.h"

#include <algorithm>
#include <cstring>

namespace szdd {
namespace {

constexpr uint8_t kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr size_t kRing = 4096;
constexpr size_t kRingStart = kRing - 16;  // where the first output byte is written
constexpr size_t kNone = SIZE_MAX;
constexpr int kRootBits = 14;  // trees stay per 3-byte prefix; the table stays in cache

size_t rootOf(const uint8_t* p) {
  return (uint32_t(p[0] | p[1] << 8 | p[2] << 16) * 2654435761u) >> (32 - kRootBits);
}
constexpr uint64_t kLiteralBits = 9, kMatchBits = 17;  // flag bit included

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "commonLength reads words");

// How many bytes a and b share from `from` on, at most limit; reads up to 7 bytes past limit.
size_t commonLength(const uint8_t* a, const uint8_t* b, size_t from, size_t limit) {
  for (; from < limit; from += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + from, 8);
    std::memcpy(&y, b + from, 8);
    if (x != y) return std::min(limit, from + __builtin_ctzll(x ^ y) / 8);
  }
  return limit;
}

}  // namespace

std::vector<Match> longestMatches(const uint8_t* data, size_t size) {
  // The stream as the decoder's ring sees it: the initial spaces, then the data (and
  // slack for commonLength).
  const size_t total = kMaxDistance + size;
  std::vector<uint8_t> s;
  s.reserve(total + 8);
  s.assign(kMaxDistance, ' ');
  s.insert(s.end(), data, data + size);
  s.resize(total + 8);

  // The window's positions in binary trees, one per hash of the first 3 bytes, ordered by
  // their next kMaxMatch bytes; each new position becomes its tree's root, so paths go from
  // newer to older positions and the first one out of the window ends a search.
  std::vector<size_t> root(size_t(1) << kRootBits, kNone);
  std::vector<size_t> child(2 * kRing, kNone);  // per position in the window: smaller, larger

  std::vector<Match> matches;
  matches.reserve(size);
  for (size_t p = 0; p + kMinMatch <= total; ++p) {
    const uint8_t* cur = &s[p];
    const size_t maxLen = std::min<size_t>(kMaxMatch, total - p);
    size_t& top = root[rootOf(cur)];
    size_t c = top;
    top = p;
    size_t* smaller = &child[2 * (p % kRing)];
    size_t* larger = smaller + 1;
    size_t smallerLen = 0, largerLen = 0, best = 0, bestPos = 0;
    for (;;) {
      if (c == kNone || p - c > size_t(kMaxDistance)) {
        *smaller = *larger = kNone;
        break;
      }
      size_t* pair = &child[2 * (c % kRing)];
      // Both bounds share their prefix with p; the match may overlap p, as decoded.
      const size_t len = commonLength(&s[c], cur, std::min(smallerLen, largerLen), maxLen);
      if (len > best) {
        best = len;
        bestPos = c;
      }
      if (len == maxLen) {  // p is as good as c for every later search: it takes c's place
        *smaller = pair[0];
        *larger = pair[1];
        break;
      }
      if (s[c + len] < cur[len]) {
        *smaller = c;
        smaller = &pair[1];
        smallerLen = len;
        c = *smaller;
      } else {
        *larger = c;
        larger = &pair[0];
        largerLen = len;
        c = *larger;
      }
    }
    if (p < size_t(kMaxDistance)) continue;  // still in the initial spaces
    matches.push_back(best >= size_t(kMinMatch) ? Match{uint16_t(p - bestPos), uint8_t(best)}
                                                : Match{});
  }
  matches.resize(size);  // the last two positions have no room for a match
  return matches;
}

bool compress(const uint8_t* data, size_t size, uint8_t lastChar, std::vector<uint8_t>& file) {
  if (size > UINT32_MAX) return false;
  std::vector<Match> m = longestMatches(data, size);

  // Backwards: the fewest bits from each position to the end, kept for the next kMaxMatch
  // positions only; m[i].len becomes the chosen step (1 = literal). Every length up to the
  // longest is available at the same distance.
  uint64_t bits[32] = {};  // bits[j % 32] for position j
  auto at = [&bits](size_t j) -> uint64_t& { return bits[j % 32]; };
  for (size_t i = size; i-- > 0;) {
    uint64_t best = at(i + 1) + kLiteralBits;
    uint8_t step = 1;
    for (int len = kMinMatch; len <= m[i].len; ++len) {
      if (at(i + len) + kMatchBits < best) {
        best = at(i + len) + kMatchBits;
        step = uint8_t(len);
      }
    }
    at(i) = best;
    m[i].len = step;
  }

  file.reserve(kHeaderSize + size + size / 8 + 1);  // the most literals take
  file.assign(kMagic, kMagic + sizeof kMagic);
  file.push_back('A');
  file.push_back(lastChar);
  for (int shift = 0; shift < 32; shift += 8) file.push_back(uint8_t(size >> shift));

  size_t flagAt = 0;
  int bit = 8;
  for (size_t i = 0; i < size; i += m[i].len) {
    if (bit == 8) {
      flagAt = file.size();
      file.push_back(0);
      bit = 0;
    }
    if (m[i].len == 1) {
      file[flagAt] |= uint8_t(1 << bit);
      file.push_back(data[i]);
    } else {
      const size_t pos = (kRingStart + kRing + i - m[i].distance) % kRing;
      file.push_back(uint8_t(pos));
      file.push_back(uint8_t((pos >> 4 & 0xF0) | (m[i].len - kMinMatch)));
    }
    ++bit;
  }
  return true;
}

bool expand(const uint8_t* file, size_t size, Expanded& out) {
  if (size < kHeaderSize || std::memcmp(file, kMagic, sizeof kMagic) != 0 || file[8] != 'A')
    return false;
  out.lastChar = file[9];
  out.length = uint32_t(file[10]) | uint32_t(file[11]) << 8 | uint32_t(file[12]) << 16 |
               uint32_t(file[13]) << 24;
  out.data.clear();

  uint8_t ring[kRing];
  std::memset(ring, ' ', kRing);
  size_t r = kRingStart;
  auto put = [&](uint8_t c) {
    out.data.push_back(c);
    ring[r] = c;
    r = (r + 1) % kRing;
  };
  size_t p = kHeaderSize;
  while (p < size) {
    const uint8_t flags = file[p++];
    for (int bit = 0; bit < 8 && p < size; ++bit) {
      if (flags >> bit & 1) {
        put(file[p++]);
        continue;
      }
      if (p + 1 >= size) return false;
      const size_t pos = file[p] | (file[p + 1] & 0xF0) << 4;
      const int len = (file[p + 1] & 0x0F) + kMinMatch;
      p += 2;
      for (int k = 0; k < len; ++k) put(ring[(pos + k) % kRing]);  // byte by byte: overlaps work
    }
  }
  return true;
}

}  // namespace szdd
