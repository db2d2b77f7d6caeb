#include "resources/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TAMLO_SHA_EXTENSIONS 1
#endif

namespace tamlo {
namespace {

// The first 32 bits of the fractional parts of the cube roots of the first 64 primes.
constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t rotr(uint32_t x, int n) {
    return x >> n | x << (32 - n);
}

#if TAMLO_SHA_EXTENSIONS
// The processor's SHA-256 instructions, about ten times the plain code's speed on the
// payload hashes the extraction checks. The state is held as ABEF and CDGH words.
__attribute__((target("sha,sse4.1,ssse3"))) void compressWithExtensions(uint32_t* state,
                                                                        const uint8_t* data,
                                                                        size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i efgh =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(abcd, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, abcd, 0xF0);
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i savedAbef = abef;
        const __m128i savedCdgh = cdgh;
        __m128i words[4];
        for (int group = 0; group < 16; ++group) {
            __m128i& current = words[group % 4];
            if (group < 4) {
                current = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + group * 16)), byteSwap);
            } else {
                const __m128i& next = words[(group + 1) % 4];
                const __m128i& third = words[(group + 2) % 4];
                const __m128i& last = words[(group + 3) % 4];
                const __m128i sum = _mm_add_epi32(_mm_sha256msg1_epu32(current, next),
                                                  _mm_alignr_epi8(last, third, 4));
                current = _mm_sha256msg2_epu32(sum, last);
            }
            __m128i rounds = _mm_add_epi32(
                current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + group * 4)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, rounds);
            rounds = _mm_shuffle_epi32(rounds, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, rounds);
        }
        abef = _mm_add_epi32(abef, savedAbef);
        cdgh = _mm_add_epi32(cdgh, savedCdgh);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// Asked of the processor itself: not every compiler knows "sha" as a feature name.
bool askProcessor() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    const bool ssse3 = (ecx & (1u << 9)) != 0;
    const bool sse41 = (ecx & (1u << 19)) != 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    const bool sha = (ebx & (1u << 29)) != 0;
    return ssse3 && sse41 && sha;
}

bool haveExtensions() {
    static const bool have = askProcessor();
    return have;
}
#endif

}  // namespace

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::compress(const uint8_t* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
        w[i] = uint32_t{block[i * 4]} << 24 | uint32_t{block[i * 4 + 1]} << 16 |
               uint32_t{block[i * 4 + 2]} << 8 | uint32_t{block[i * 4 + 3]};
    }
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
        const uint32_t s1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
        const uint32_t choose = (e & f) ^ (~e & g);
        const uint32_t t1 = h + s1 + choose + kRound[i] + w[i];
        const uint32_t s0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
        const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

void Sha256::update(const uint8_t* bytes, size_t length) {
    totalLength_ += length;
    if (pendingLength_ > 0) {
        const size_t take = std::min(length, pending_.size() - pendingLength_);
        std::memcpy(pending_.data() + pendingLength_, bytes, take);
        pendingLength_ += take;
        bytes += take;
        length -= take;
        if (pendingLength_ < pending_.size()) {
            return;
        }
        compress(pending_.data());
        pendingLength_ = 0;
    }
#if TAMLO_SHA_EXTENSIONS
    if (length >= 64 && haveExtensions()) {
        compressWithExtensions(state_.data(), bytes, length / 64);
        bytes += length / 64 * 64;
        length %= 64;
    }
#endif
    for (; length >= 64; bytes += 64, length -= 64) {
        compress(bytes);
    }
    if (length > 0) {
        std::memcpy(pending_.data(), bytes, length);
        pendingLength_ = length;
    }
}

Sha256Digest Sha256::finish() {
    // Padding: one bit, zeros, then the length in bits as a big-endian u64.
    const uint64_t bits = totalLength_ * 8;
    uint8_t padding[72] = {0x80};
    const size_t padLength = pendingLength_ < 56 ? 56 - pendingLength_ : 120 - pendingLength_;
    for (int i = 0; i < 8; ++i) {
        padding[padLength + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    }
    update(padding, padLength + 8);
    Sha256Digest digest;
    for (int i = 0; i < 8; ++i) {
        for (int k = 0; k < 4; ++k) {
            digest[i * 4 + k] = static_cast<uint8_t>(state_[i] >> (24 - 8 * k));
        }
    }
    return digest;
}

Sha256Digest sha256(const uint8_t* bytes, size_t length) {
    Sha256 hash;
    hash.update(bytes, length);
    return hash.finish();
}

std::string toHex(const Sha256Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

}  // namespace tamlo
