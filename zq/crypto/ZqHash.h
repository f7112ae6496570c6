// Checksums, hashes and digests over memory: the 64-bit name id of a narrow name, CRC-32C
// (one-shot and continuing), a 64-bit FNV hash over 8-byte words, MD5, SHA-256, SHA-384 and
// SHA-512. Stateless: no heap, no locks, callable from any thread; data may lie at any address
// and sizes count bytes. Not for keyed hashing or streaming digests. Depends on nothing.
#pragma once

#include <cstdint>

// 64-bit id of the file-name part of a narrow path: case-insensitive, extension ignored, a dot
// before a digit skipped. Model files store these ids, so the result is fixed bit for bit.
uint64_t zqCalcNameId64(const char* name);

// CRC-32C (Castagnoli, reflected polynomial 0x82F63B78); 0 for no bytes.
uint32_t zqCalcCrc32(const void* data, uint32_t size);
// CRC-32C continued from the result of a previous call (start from 0): pieces hashed in turn
// give the CRC of the whole. Size 0 returns crc unchanged.
uint32_t zqCalcCrc32(uint32_t crc, const void* data, uint32_t size);

// FNV-1 style 64-bit hash over little-endian 8-byte words and a final tail word; never 0.
uint64_t zqCalcFnv(const void* data, uint32_t size);

// Digests; the output buffer comes first and receives 16, 32, 48 or 64 bytes.
void zqCalcMd5(uint8_t* digest, const void* data, uint32_t size);
void zqCalcSha256(uint8_t* digest, const void* data, uint32_t size);
void zqCalcSha384(uint8_t* digest, const void* data, uint32_t size);
void zqCalcSha512(uint8_t* digest, const void* data, uint32_t size);
