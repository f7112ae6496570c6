// The AES cores behind ZqAes: the key schedules, the portable table code and the processor's
// AES instructions. Internal to the framework; tests and benchmarks use it to run and compare
// both cores. Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zq_aes {

// Round keys as big-endian column words, and the same bytes for the AES instructions. The
// deciphering schedule is the equivalent inverse cipher's: reversed, with InvMixColumns
// applied to the inner round keys.
struct Schedule {
    uint32_t enc[60];
    uint32_t dec[60];
    uint32_t rounds;
    alignas(16) uint8_t encBytes[240];
    alignas(16) uint8_t decBytes[240];
};

// length is 16, 24 or 32.
void expandKey(Schedule& s, const uint8_t* key, uint32_t length);

void encryptPortable(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits);
void decryptPortable(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits);

// True when the processor has the instructions; the hardware calls need them.
bool hasHardware();
void encryptHardware(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits);
void decryptHardware(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits);
// CBC over whole units with the chain array of ZqBlockCipher.
void encryptCbcHardware(const Schedule& s, const uint8_t* in, const uint8_t* chain, uint8_t* out,
                        size_t nUnits);
void decryptCbcHardware(const Schedule& s, const uint8_t* chain, const uint8_t* in, uint8_t* out,
                        size_t nUnits);

// The same on 256-bit registers (two units an instruction) where the processor has the wide
// AES instructions; hasWideHardware() says so, and the wide calls need it.
bool hasWideHardware();
void encryptWide(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits);
void decryptWide(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits);
void decryptCbcWide(const Schedule& s, const uint8_t* chain, const uint8_t* in, uint8_t* out,
                    size_t nUnits);

// Whether ZqAes may use the instructions (on by default when present). Benchmarks and tests
// switch it off to measure and check the portable core; not for use while ciphers run.
void allowHardware(bool allow);
bool usesHardware();

} // namespace zq_aes
