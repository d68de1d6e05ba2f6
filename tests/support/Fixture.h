#pragma once
// A fresh database for a business-class test: the full schema on the backend the
// environment chooses (support/TestDatabase.h), a session with a fixed server date, and short ways to open
// business objects and save bills, so that a test reads like a short story.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/Database.h"
#include "db/Schema.h"
#include "framework/Bill.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "core/Convert.h"
#include "core/Text.h"
#include "support/TestDatabase.h"

namespace humrs::testing {

using Row = std::vector<std::pair<std::string, Variant>>;

// A row with some fields set anew and the missing ones added.
inline Row With(Row row, const Row& changes) {
    for (const auto& [field, value] : changes) {
        bool replaced = false;
        for (auto& [f, v] : row)
            if (f == field) v = value, replaced = true;
        if (!replaced) row.emplace_back(field, value);
    }
    return row;
}

class HumrsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        db = OpenTestDatabase();
        session = std::make_unique<Session>(*db, ComponentRegistry());
        session->serverDate = 20050115;
        session->localType = 0;
    }

    std::unique_ptr<TQVXComBase> Object(const std::string& progId) { return CreateBusinessObject(progId, *session); }

    template <class T>
    std::unique_ptr<T> ObjectAs(const std::string& progId) {
        auto obj = Object(progId);
        auto* typed = dynamic_cast<T*>(obj.get());
        EXPECT_NE(typed, nullptr) << progId;
        obj.release();
        return std::unique_ptr<T>(typed);
    }

    // Saves a bill as every client does (the one save flow): a stored bill with the
    // header's key is taken up for a change, the given rows are laid over it.
    Outcome SaveBill(const std::string& progId, const std::vector<std::vector<Row>>& datasets) {
        auto obj = Object(progId);
        return SaveWith(*obj, datasets);
    }
    Outcome SaveWith(TQVXComBase& obj, const std::vector<std::vector<Row>>& datasets) {
        return humrs::SaveBill(obj, BillInput(datasets.begin(), datasets.end()));
    }

    Variant Value(const std::string& sql) {
        auto row = db->QueryFirst(sql);
        return row ? (*row)[0] : Variant();
    }
    int64_t Count(const std::string& tableAndWhere) { return CInt(Value("Select Count(*) From " + tableAndWhere)); }

    std::unique_ptr<Database> db;
    std::unique_ptr<Session> session;
};

}  // namespace humrs::testing
