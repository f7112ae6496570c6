// Shared between the ranking server's topic files: its state behind the public class.
#pragma once

#include "tools/rankserver/RankServer.h"

#include <mutex>
#include <string>

struct sqlite3;

namespace rankserver {

struct RankServer::Impl {
    Options options;
    // Contexts: one trusting the client certificate, one trusting none.
    void* ctx = nullptr;
    void* refusingCtx = nullptr;
    std::string caFile;
    sqlite3* db = nullptr;
    mutable std::mutex dbMutex;
};

// Sets up the TLS contexts from the state folder (making the certificates on first start).
void setUpTls(RankServer::Impl& impl);
void freeTls(RankServer::Impl& impl);
// Opens (or makes) the database.
void openDatabase(RankServer::Impl& impl);
void closeDatabase(RankServer::Impl& impl);

} // namespace rankserver
