#include "temporary_postgres.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "postgres_connection.h"

namespace scores::testing {

namespace {
std::string NewStateFile() {
    static std::atomic<int> n{0};
    return "/tmp/vortex-pg-state-" + std::to_string(getpid()) + "-" + std::to_string(n++);
}
}  // namespace

TemporaryPostgres::TemporaryPostgres() : TemporaryPostgres(NewStateFile(), true) {}

TemporaryPostgres::TemporaryPostgres(const std::string& state, bool own) : state_(state), own_(own) {
    if (own_) Script("start");
    std::ifstream in(state_);
    std::string url;
    std::getline(in, url);
    std::getline(in, folder_);
    if (folder_.empty()) throw std::runtime_error("no PostgreSQL server recorded in " + state_);
}

TemporaryPostgres::~TemporaryPostgres() {
    if (own_) {
        try {
            Script("stop");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
    }
}

void TemporaryPostgres::Script(const char* command) const {
    std::string line = std::string(VR_TEMPORARY_POSTGRES) + " " + command + " " + state_;
    if (std::system(line.c_str()) != 0) throw std::runtime_error("failed: " + line);
}

std::string TemporaryPostgres::Url(const std::string& name) const {
    return "postgresql:///" + name + "?host=" + folder_ + "&user=vortex";
}

std::string TemporaryPostgres::CreateDatabase(const std::string& name) const {
    PgConnection c(Url());
    c.Exec("DROP DATABASE IF EXISTS " + name);
    c.Exec("CREATE DATABASE " + name);
    return Url(name);
}

void TemporaryPostgres::Down() { Script("down"); }
void TemporaryPostgres::Up() { Script("up"); }

const TemporaryPostgres& SharedPostgres() {
    const char* state = std::getenv("VR_TEST_POSTGRES_STATE");
    static const bool given = state && *state && std::ifstream(state).good();
    static TemporaryPostgres shared(given ? std::string(state) : NewStateFile(), !given);
    return shared;
}

std::string FreshPostgresDatabase() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "t_";
    for (char c : std::string(info->name()).substr(0, 40))
        name += std::isalnum(static_cast<unsigned char>(c)) ? char(std::tolower(c)) : '_';
    return SharedPostgres().CreateDatabase(name + "_" + std::to_string(getpid()));
}

}  // namespace scores::testing
