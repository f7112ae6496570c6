// Feeds the virtual-input layout loader. The first byte picks how the rest becomes the file
// (bit 0 clear: its raw bytes; set: UTF-8 text written out as the UTF-16 file the loader
// reads, so that mutations of readable XML reach the loader's checks) and how many virtual
// inputs the loader may make (1 + (byte >> 1) % 3). A layout that loads must
// also survive a round trip: saved and loaded again, it gives the same virtual inputs.
#include "zq/file/ZqFile.h"
#include "zq/system/ZqString.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using VI = ZquVirtualInput;

std::string g_in;
std::string g_out;

void releaseAll() {
    while (VI::getUsed() != nullptr) {
        VI::getUsed()->release();
    }
}

struct Snapshot {
    uint32_t maxAssignments;
    uint32_t nrButtons;
    uint32_t nrAxes;
    uint32_t nrPovs;
    std::vector<VI::AssignmentData> assignments;
};

// Every virtual input, oldest first, with its assignments in index order.
std::vector<Snapshot> snapshot() {
    std::vector<const VI*> all;
    for (const VI* v = VI::getUsed(); v != nullptr; v = v->getNext()) {
        all.insert(all.begin(), v);
    }
    std::vector<Snapshot> out;
    for (const VI* v : all) {
        Snapshot s{v->getMaxAssignments(), v->getNrButtons(), v->getNrAxes(), v->getNrPovs(), {}};
        for (uint32_t i = 0; i < v->getMaxAssignments(); ++i) {
            VI::AssignmentData d{};
            if (v->getAssignment(i, &d)) {
                s.assignments.push_back(d);
            }
        }
        out.push_back(std::move(s));
    }
    return out;
}

bool equal(const std::vector<Snapshot>& a, const std::vector<Snapshot>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const Snapshot& x = a[i];
        const Snapshot& y = b[i];
        if (x.maxAssignments != y.maxAssignments || x.nrButtons != y.nrButtons ||
            x.nrAxes != y.nrAxes || x.nrPovs != y.nrPovs ||
            x.assignments.size() != y.assignments.size()) {
            return false;
        }
        for (size_t j = 0; j < x.assignments.size(); ++j) {
            const VI::AssignmentData& p = x.assignments[j];
            const VI::AssignmentData& q = y.assignments[j];
            if (p.deviceNr != q.deviceNr || p.vidPid != q.vidPid || p.objectType != q.objectType ||
                p.objectNr != q.objectNr || p.virtualObjectType != q.virtualObjectType ||
                p.virtualObjectNr != q.virtualObjectNr || p.option != q.option) {
                return false;
            }
        }
    }
    return true;
}

void writeFile(const uint8_t* const data, const size_t size) {
    std::ofstream out(g_in, std::ios::binary | std::ios::trunc);
    if (size == 0 || (data[0] & 1) == 0) {
        out.write(reinterpret_cast<const char*>(data) + (size != 0), size - (size != 0));
        return;
    }
    ZqString text;
    zqUtf82Char(reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1), text);
    out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
    for (const char16_t c : text) {
        out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string dir = "/tmp/zq_fuzz_vinput_" + std::to_string(getpid());
    g_in = dir + "_in.xml";
    g_out = dir + "_out.xml";
    // Saving goes through the file worker, which must stop before the process ends.
    ZqFile::sysInit();
    VI::sysInit();
    std::atexit([] {
        VI::sysQuit();
        try {
            ZqFile::sysQuit();
        } catch (...) {
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) {
        return 0;
    }
    writeFile(data, size);
    const std::u16string in(g_in.begin(), g_in.end());
    const std::u16string out(g_out.begin(), g_out.end());
    VI* made[3] = {};
    const uint32_t count = size != 0 ? 1 + (data[0] >> 1) % 3 : 1;
    if (VI::loadConfiguration(in.c_str(), 1 << 17, made, count)) {
        for (VI* v : made) {
            // Reading with no devices present answers nothing, whatever the layout says.
            for (uint32_t n = 0; v != nullptr && n < 16; ++n) {
                if (v->getButton(n) != 0 || v->getAxis(n) != 0 || v->getPov(n) != -1) {
                    std::abort();
                }
            }
        }
        const std::vector<Snapshot> before = snapshot();
        if (!VI::saveConfiguration(out.c_str())) {
            std::abort();
        }
        releaseAll();
        VI* again[3] = {};
        if (!VI::loadConfiguration(out.c_str(), 1 << 20, again, 3) || !equal(before, snapshot())) {
            std::abort();
        }
    }
    releaseAll();
    return 0;
}
