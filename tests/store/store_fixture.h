// Each store test runs on both back-ends: a SQLite file in a fresh folder and
// a fresh database on the throwaway PostgreSQL server.
#pragma once

#include "store/store.h"
#include "support/postgres_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace ccp::store {

class StoreTest : public ::testing::TestWithParam<Dialect> {
protected:
    void SetUp() override {
        if (GetParam() == Dialect::Sqlite) {
            where_ = dir_.file("data/production.db");
            return;
        }
        testing::PostgresServer& server = testing::PostgresServer::instance();
        ASSERT_TRUE(server.running()) << server.failure();
        where_ = server.freshDatabase();
        ASSERT_FALSE(where_.empty());
    }

    std::unique_ptr<Store> open() {
        Result<std::unique_ptr<Store>> opened = Store::open(where_);
        EXPECT_TRUE(opened.ok()) << opened.failure.message;
        return opened.ok() ? std::move(*opened.value) : nullptr;
    }

    testing::TempDir dir_;
    std::string where_;
};

inline std::string dialectName(const ::testing::TestParamInfo<Dialect>& info) {
    return info.param == Dialect::Sqlite ? "Sqlite" : "Postgres";
}

} // namespace ccp::store
