// SZDD ("COMPRESS" mode A) files: an optimal-parsing encoder and a reference decoder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace szdd {

constexpr size_t kHeaderSize = 14;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kMaxDistance = 4095;  // a match never names the ring slot about to be written

// The longest match available at one position: `distance` bytes back in the output, where
// the output is preceded by the ring's initial spaces. len 0 = no match of kMinMatch or more.
struct Match {
  uint16_t distance = 0;
  uint8_t len = 0;
};

// Longest match at every position of data (any shorter length of it is available too).
std::vector<Match> longestMatches(const uint8_t* data, size_t size);

// A whole SZDD file for data: header (with lastChar, the character a compressed name
// replaces by '_') and the shortest LZSS stream. Returns false if size exceeds 32 bits.
bool compress(const uint8_t* data, size_t size, uint8_t lastChar, std::vector<uint8_t>& file);

struct Expanded {
  uint8_t lastChar = 0;
  uint32_t length = 0;  // as the header states it
  std::vector<uint8_t> data;
};

// Decodes as the platform does: until the input ends, ignoring the header's length.
// Returns false on a bad header or a stream cut inside a match.
bool expand(const uint8_t* file, size_t size, Expanded& out);

}  // namespace szdd
