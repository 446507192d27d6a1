// AES blocks and the autopilot link's chaining against libcrypto's EVP
// interface (baseline: BM_EvpAes128Ecb / BM_EvpAes128Cbc over the same bytes).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "common/u_aes.h"
#include "common/u_klcrypt.h"

namespace {

const U8 kKey[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

void BM_AesEncryptBlocks(benchmark::State& state) {
  U32 rk[U_AES_MAX_ROUND_KEY_WORDS];
  const int rounds = U_AES_nSetupEncrypt(rk, kKey, 128);
  std::vector<U8> data((size_t)state.range(0), 0x5A);
  for (auto _ : state) {
    for (size_t i = 0; i + 16 <= data.size(); i += 16) U_AES_vEncrypt(rk, rounds, &data[i], &data[i]);
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_EvpAes128Ecb(benchmark::State& state) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  std::vector<U8> data((size_t)state.range(0), 0x5A);
  int n = 0;
  for (auto _ : state) {
    EVP_EncryptUpdate(ctx, data.data(), &n, data.data(), (int)data.size());
    benchmark::DoNotOptimize(data.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_KlcryptChainEncrypt(benchmark::State& state) {
  U_KLCRYPT_vSetDataKey(kKey);
  std::vector<U8> data((size_t)state.range(0), 0x5A);
  for (auto _ : state) {
    U_KLCRYPT_vChainEncrypt(data.data(), (U32)data.size(), U_KLCRYPT_pu32DataEncryptKeys(), U_KLCRYPT_DATA_ROUNDS);
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void BM_EvpAes128Cbc(benchmark::State& state) {
  const U8 iv[16] = {};
  std::vector<U8> data((size_t)state.range(0), 0x5A);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0;
  for (auto _ : state) {
    EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, kKey, iv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, data.data(), &n, data.data(), (int)data.size());
    benchmark::DoNotOptimize(data.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_AesEncryptBlocks)->Arg(16)->Arg(1024);
BENCHMARK(BM_EvpAes128Ecb)->Arg(16)->Arg(1024);
BENCHMARK(BM_KlcryptChainEncrypt)->Arg(48)->Arg(1024);
BENCHMARK(BM_EvpAes128Cbc)->Arg(48)->Arg(1024);
BENCHMARK_MAIN();
