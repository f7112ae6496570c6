// OpenSSL masked to its portable code, as a benchmark peer. libcrypto reads OPENSSL_ia32cap once,
// as it starts, so the masked peer is this same benchmark program started again as a child with
// every capability bit masked. The parent asks it to run named jobs and reads back the time they
// took, so the masked runs interleave with the others like any benchmark of the program.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>

namespace zqbench {

// Makes the work of a job (its words after the name in `args`) and returns one operation, or
// an empty function for a job it does not know.
using PeerJobFactory = std::function<std::function<void()>(const std::string& args)>;

// Called first in main. In the child: serves jobs from its input until the input ends, then
// ends the process. In the parent: returns at once.
void servePeerJobs(const PeerJobFactory& factory);

// Times, per benchmark iteration, `batch` operations of `job` in the masked child, and counts
// `bytesPerOperation` for each. Skips with an error when the child cannot be started or refuses
// the job. Register it with UseManualTime().
void runInMaskedPeer(benchmark::State& state, const std::string& job, uint64_t batch,
                     uint64_t bytesPerOperation);

// True when the masked child runs (started on first use).
bool maskedPeerAvailable();

} // namespace zqbench
