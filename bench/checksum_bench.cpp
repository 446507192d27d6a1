// Checksum and hash throughput against the libraries that set the bar:
// zlib's CRC-32 (same polynomial, reflected; the word CRC runs through it
// after reversing the bits of every word) and OpenSSL's SHA-1 through its
// digest interface (the SHA-1 here uses OpenSSL's block function).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "common/u_crc16.h"
#include "common/u_crcst.h"
#include "common/u_sha1.h"

namespace {

std::vector<U32> RandomWords(size_t bytes) {
  std::vector<U32> words(bytes / 4);
  std::mt19937 rng(42);
  for (U32& w : words) w = rng();
  return words;
}

void BM_CrcstWords(benchmark::State& state) {
  const auto words = RandomWords((size_t)state.range(0));
  U32 crc = 0xFFFFFFFF;
  for (auto _ : state) {
    crc = U_CRCST_u32Calc(crc, words.data(), (U32)words.size());
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

// The same CRC through the code path of processors without the vector one.
void BM_CrcstWordsPortable(benchmark::State& state) {
  const auto words = RandomWords((size_t)state.range(0));
  U32 crc = 0xFFFFFFFF;
  for (auto _ : state) {
    crc = U_CRCST_u32CalcPortable(crc, words.data(), (U32)words.size());
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_ZlibCrc32(benchmark::State& state) {
  const auto words = RandomWords((size_t)state.range(0));
  uLong crc = 0;
  for (auto _ : state) {
    crc = crc32(crc, (const Bytef*)words.data(), (uInt)(words.size() * 4));
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_Crc16(benchmark::State& state) {
  const auto words = RandomWords((size_t)state.range(0));
  U16 crc = 0;
  for (auto _ : state) {
    U_CRC16_vCrc16(&crc, (const U8*)words.data(), (U16)(words.size() * 4), FALSE);
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_Sha1(benchmark::State& state) {
  const auto words = RandomWords((size_t)state.range(0));
  SHA1_CTX ctx;
  for (auto _ : state) {
    U_SHA1_vReset(&ctx);
    U_SHA1_vInput(&ctx, (const U8*)words.data(), (U32)(words.size() * 4));
    U_SHA1_bFinal(&ctx);
    benchmark::DoNotOptimize(ctx.H[0]);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_OpenSslSha1(benchmark::State& state) {
  const auto words = RandomWords((size_t)state.range(0));
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  for (auto _ : state) {
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    EVP_DigestUpdate(ctx, words.data(), words.size() * 4);
    EVP_DigestFinal_ex(ctx, md, &size);
    benchmark::DoNotOptimize(md[0]);
  }
  EVP_MD_CTX_free(ctx);
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

}  // namespace

// 64 bytes (a short record) and 60 KiB (a firmware block; the CRC-16 count
// is limited to 65,535 bytes).
BENCHMARK(BM_CrcstWords)->Arg(64)->Arg(61440);
BENCHMARK(BM_CrcstWordsPortable)->Arg(64)->Arg(61440);
BENCHMARK(BM_ZlibCrc32)->Arg(64)->Arg(61440);
BENCHMARK(BM_Crc16)->Arg(64)->Arg(61440);
BENCHMARK(BM_Sha1)->Arg(64)->Arg(61440);
BENCHMARK(BM_OpenSslSha1)->Arg(64)->Arg(61440);

BENCHMARK_MAIN();
