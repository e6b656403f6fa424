// A throwaway PostgreSQL server for tests, made by tests/support/pg_cluster.sh:
// the one CTest started for the whole run (its folder in CCP_TEST_PG_DIR, from
// the environment or the build),
// or else one this process starts on the first call and stops at exit. Clients find its password
// through a pgpass file (PGPASSFILE), as a bench would through ~/.pgpass; each caller gets a fresh
// database of its own.
#pragma once

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>

#ifndef CCP_SOURCE_DIR
#error "CCP_SOURCE_DIR must name the source tree"
#endif

namespace ccp::testing {

class PostgresServer {
public:
    static PostgresServer& instance() {
        static PostgresServer server;
        return server;
    }

    bool running() const { return !base_.empty(); }
    const std::string& failure() const { return failure_; }
    std::string password() const { return password_; }

    // A URL of a new, empty database on the server.
    std::string freshDatabase() {
        static std::atomic<int> count{0};
        const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++count);
        const std::string command = "psql -q -v ON_ERROR_STOP=1 '" + base_ +
                                    "' -c 'CREATE DATABASE " + name + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return {};
        return base_.substr(0, base_.rfind('/') + 1) + name;
    }

    ~PostgresServer() {
        if (own_) {
            const std::string stop = script() + " stop '" + dir_ + "'";
            (void)std::system(stop.c_str());
        }
    }

private:
    static std::string script() {
        return std::string(CCP_SOURCE_DIR) + "/tests/support/pg_cluster.sh";
    }

    PostgresServer() {
        const char* shared = std::getenv("CCP_TEST_PG_DIR");
#ifdef CCP_TEST_PG_DIR
        if (shared == nullptr)
            shared = CCP_TEST_PG_DIR;
#endif
        if (shared != nullptr) {
            dir_ = shared;
            std::ifstream(dir_ + "/url") >> base_;
        }
        if (base_.empty())
            start();
        if (base_.empty())
            return;
        std::ifstream(dir_ + "/password") >> password_;
        std::string port;
        std::ifstream(dir_ + "/port") >> port;
        const std::string pgpass = dir_ + "/pgpass." + std::to_string(::getpid());
        std::ofstream(pgpass) << "127.0.0.1:" << port << ":*:ccp:" << password_ << "\n";
        ::chmod(pgpass.c_str(), 0600);
        ::setenv("PGPASSFILE", pgpass.c_str(), 1);
    }

    void start() {
        std::random_device seed;
        // The server's user must be able to reach the folder.
        dir_ = "/tmp/ccp-pg-" + std::to_string(seed()) + std::to_string(seed());
        own_ = true;
        const std::string start = script() + " start '" + dir_ + "' 2>&1";
        FILE* pipe = ::popen(start.c_str(), "r");
        std::string out;
        char buffer[256];
        while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            out += buffer;
        const int status = pipe != nullptr ? ::pclose(pipe) : -1;
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        if (status != 0 || !out.starts_with("postgresql://")) {
            failure_ = out;
            return;
        }
        base_ = out;
    }

    bool own_ = false;
    std::string dir_;
    std::string base_;
    std::string password_;
    std::string failure_;
};

} // namespace ccp::testing
