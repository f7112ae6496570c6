// The simulated I/O board's private parts: the backend calls that hid_hidapi.cpp hands a
// simulated handle to, and the serial-node chains on its two serial channels.
#pragma once

#include "zq/platform/hid/hid.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zqp {

// An open device of either backend.
struct HidDevice {
    bool simulated = false;
    // hidapi's device (real board).
    void* real = nullptr;
    // The simulated board's plug-in count when opened: a handle of an earlier plug-in fails.
    uint32_t generation = 0;
    std::u16string instanceId;
};

} // namespace zqp

namespace zqp::hidsim {

// The simulated board's identity.
inline constexpr char16_t INSTANCE_ID[] = u"SIM\\ZQ_IO_BOARD\\0";

// A chain of nodes on one serial channel. Called under the board's lock.
class SerialChain {
public:
    virtual ~SerialChain() = default;
    // The line held in break (on) or released.
    virtual void setBreak(bool on) = 0;
    // Bytes the board sends down the line; what the nodes answer is appended to `answer`.
    virtual void receive(const uint8_t* data, uint32_t n, std::vector<uint8_t>& answer) = 0;
    // The board's clock moved on by ms.
    virtual void step(uint32_t ms) = 0;
};

// Chains of n LED controller or ticket dispenser nodes; verbose ones print what they are
// sent on standard error.
std::unique_ptr<SerialChain> makeLedChain(uint32_t nrNodes, bool verbose);
std::unique_ptr<SerialChain> makeTicketChain(uint32_t nrNodes, bool verbose);

// Runs fn on the chain of a channel under the board's lock (null chain: none attached).
void withChain(uint32_t channel, void (*fn)(SerialChain*& chain, void* arg), void* arg);
void setChain(uint32_t channel, std::unique_ptr<SerialChain> chain);

bool find(std::u16string& instanceId);
// A handle of the simulated board, or null when it is unplugged or disabled.
HidDevice* open();
void close(HidDevice* device);
int32_t write(HidDevice* device, const uint8_t* data, uint32_t size);
int32_t read(HidDevice* device, uint8_t* data, uint32_t size);
int32_t control(HidDevice* device, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                uint32_t outSize);
bool setEnabled(bool enabled);

} // namespace zqp::hidsim
