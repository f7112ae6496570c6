// zqrankserver: the local ranking server for a desktop run of the game. Serves on 127.0.0.1
// until interrupted and prints the environment the game needs.
//
//   zqrankserver [--state DIR] [--port N] [--client-cert PEM] [--refuse WORD]...
//                [--fault status=N|delay=MS|close=BYTES|body=TEXT|image=BYTES|broken|
//                         nolength|length=N|refusecert]...
//   zqrankserver --state DIR --seeds OUT   writes the fuzz target's seeds (images of sample
//                                          entries and their streams) and ends
#include "tools/rankserver/RankServer.h"

#include "dorvanex/screens/RankingProtocol.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) {
    g_stop = true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: zqrankserver [--state DIR] [--port N] [--client-cert PEM] "
                 "[--refuse WORD]... [--fault FAULT]...\n"
                 "  FAULT: status=N delay=MS close=BYTES body=TEXT image=BYTES broken nolength "
                 "length=N refusecert\n");
    return 2;
}

bool applyFault(rankserver::Fault& f, const std::string& fault) {
    const size_t eq = fault.find('=');
    const std::string key = fault.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : fault.substr(eq + 1);
    try {
        if (key == "status") {
            f.status = std::stoi(value);
        } else if (key == "delay") {
            f.delayMs = std::stoi(value);
        } else if (key == "close") {
            f.closeAfter = std::stoll(value);
        } else if (key == "body") {
            f.replaceBody = true;
            f.body = value;
        } else if (key == "image") {
            f.imageSize = static_cast<uint32_t>(std::stoul(value));
        } else if (key == "broken") {
            f.brokenStream = true;
        } else if (key == "nolength") {
            f.length = rankserver::Fault::Length::Missing;
        } else if (key == "length") {
            f.length = rankserver::Fault::Length::Value;
            f.lengthValue = std::stoull(value);
        } else if (key == "refusecert") {
            f.refuseClientCert = true;
        } else {
            return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

std::string defaultStateDir() {
    if (const char* const state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state) {
        return std::string(state) + "/zqrankserver";
    }
    const char* const home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/state/zqrankserver";
}

void writeSeed(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

// Seeds of the reply fuzz target: each image raw (mode 1) and as the reply that carries its
// stream (mode 0, "get_ranking", status 200, Content-Length).
void writeSeeds(rankserver::RankServer& server, const std::string& dir) {
    const auto write = [&](const std::string& name) {
        const std::vector<uint8_t> image = server.buildImage();
        std::vector<uint8_t> raw{1};
        raw.insert(raw.end(), image.begin(), image.end());
        writeSeed(dir + "/" + name + "-image", raw);
        const std::vector<uint8_t> stream = rankserver::RankServer::compress(image);
        std::vector<uint8_t> reply{0, 2, 0, 1, 0, 0, 0, 0};
        ZqByteWriter::store<uint32_t>(reply.data() + 4, static_cast<uint32_t>(stream.size()));
        reply.insert(reply.end(), stream.begin(), stream.end());
        writeSeed(dir + "/" + name + "-stream", reply);
    };
    write("empty");
    const char* const names[] = {"ALPHA", "BETA", "GAMMA", "DELTA", "EPSILON"};
    for (uint32_t game = 1; game <= rankproto::GAMES; ++game) {
        for (int i = 0; i < 12; ++i) {
            std::string body(rankproto::ENTRY_SIZE, '\0');
            auto* const b = reinterpret_cast<uint8_t*>(body.data());
            rankproto::writeHeader(b, rankproto::COMMAND_ENTRY);
            ZqByteWriter::store<uint32_t>(b + rankproto::ENTRY_GAME_ID, game);
            rankproto::writeText(b + rankproto::ENTRY_NAME, names[i % 5]);
            ZqByteWriter::store<int32_t>(b + rankproto::ENTRY_SCORE, 1000 + (i * 37) % 500);
            ZqByteWriter::store<int32_t>(b + rankproto::ENTRY_COUNTRY, 1 + i % 10);
            rankserver::Request r;
            r.method = "POST";
            r.target = rankproto::API_PATH;
            r.body = body;
            server.answer(r);
        }
    }
    write("entries");
}

} // namespace

int main(int argc, char** argv) {
    rankserver::Options options;
    options.stateDir = defaultStateDir();
    options.port = 8443;
    rankserver::Fault fault;
    std::string seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--state" && hasValue) {
            options.stateDir = argv[++i];
        } else if (arg == "--port" && hasValue) {
            const long port = std::strtol(argv[++i], nullptr, 10);
            if (port < 0 || port > 65535) {
                return usage();
            }
            options.port = static_cast<uint16_t>(port);
        } else if (arg == "--client-cert" && hasValue) {
            options.clientCertFile = argv[++i];
        } else if (arg == "--refuse" && hasValue) {
            options.refusedWords.emplace_back(argv[++i]);
        } else if (arg == "--seeds" && hasValue) {
            seeds = argv[++i];
            options.port = 0;
        } else if (arg == "--fault" && hasValue) {
            if (!applyFault(fault, argv[++i])) {
                return usage();
            }
        } else {
            return usage();
        }
    }
    try {
        rankserver::RankServer server(options);
        if (!seeds.empty()) {
            writeSeeds(server, seeds);
            return 0;
        }
        server.setFault(fault);
        std::printf("DORVANEX_RANKING_SERVER=127.0.0.1:%u\n", server.port());
        std::printf("DORVANEX_CA_FILE=%s\n", server.caFile().c_str());
        std::printf("DORVANEX_CERT_DIR=%s\n", ZQ_DEVELOPMENT_CERT_DIR);
        std::fflush(stdout);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        while (!g_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zqrankserver: %s\n", e.what());
        return 1;
    }
    return 0;
}
