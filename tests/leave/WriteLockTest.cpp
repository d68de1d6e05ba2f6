// Procedures and the write lock, with two connections to one shared database: a
// reading procedure runs while another connection holds the lock, and the rebuild of
// every person's free overtime hours commits block by block, so that saves waiting
// behind it get in between blocks.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "core/Convert.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "leave/CoExcuse.h"
#include "suite/ProgIds.h"
#include "suite/Seed.h"
#include "support/Files.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

class WriteLockTest : public ::testing::Test {
protected:
    void SetUp() override { location_ = testing::CreateSharedTestDatabase(folder_.Path()); }

    testing::TempFolder folder_{"humrs_write_lock"};
    std::string location_;
};

TEST_F(WriteLockTest, ReadingProceduresRunWhileAnotherConnectionHoldsTheWriteLock) {
    auto writer = OpenDatabase(location_);
    writer->BeginWrite();
    auto reader = OpenDatabase(location_);
    Session session(*reader, ComponentRegistry());
    session.serverDate = 20050115;
    struct Case {
        const char* progId;
        int number;
        Variant arg;
    };
    const Case cases[] = {
        {"QVXHumrs.HumCheckFactory", 0, Variant()},
        {prog_id::kExcuse, 3, Variant(VariantArray{Variant(0), Variant("200501"), Variant("P1")})},
    };
    for (const Case& c : cases) {
        auto object = CreateBusinessObject(c.progId, session);
        const Outcome out = object->ExecuteProc(c.number, c.arg);
        EXPECT_TRUE(out.ok) << c.progId << " " << c.number << ": " << out.error;
    }
    writer->Rollback();
}

TEST_F(WriteLockTest, RebuildOfFreeHoursCommitsEachBlockOfPersons) {
    // One more person than a block holds, each with 2 redeemable overtime hours whose
    // free hours are stored as 0.
    constexpr int kPersons = 501;
    {
        auto db = OpenDatabase(location_);
        db->BeginWrite();
        for (int i = 0; i < kPersons; ++i) {
            const std::string person = "P" + std::to_string(10000 + i);
            AddPerson(*db, {.personId = person});
            db->Execute(
                "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
                "RedeemType, FieldACount, UseableRedeemCount) Values (1, ?, 0, ?, 20050110, 1800, 2000, 1, 2, 0)",
                {Variant("B" + person), Variant(person)});
        }
        db->Commit();
    }
    auto db = OpenDatabase(location_);
    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    auto excuse = CreateBusinessObject(prog_id::kExcuse, session);
    auto* leave = dynamic_cast<TExcuse*>(excuse.get());
    ASSERT_NE(leave, nullptr);

    // The first block takes longer than the run waits between commits; when the last
    // person's block is under way, another connection already sees the first person
    // rebuilt.
    auto other = OpenDatabase(location_);
    Variant seenMeanwhile;
    leave->SetProgress([&](size_t done, size_t) {
        if (done == 1) std::this_thread::sleep_for(std::chrono::milliseconds(80));
        if (done != kPersons) return;
        seenMeanwhile = other->QueryFirst("Select UseableRedeemCount From humOverTime Where PersonID = 'P10000'")
                            .value()[0];
    });
    const Outcome out = leave->ExecuteProc(11, Variant());
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(CBool(out.result));
    EXPECT_DOUBLE_EQ(CFloat(seenMeanwhile), 2);
    EXPECT_DOUBLE_EQ(
        CFloat(other->QueryFirst("Select Sum(UseableRedeemCount) From humOverTime").value()[0]), 2.0 * kPersons);
}

}  // namespace
}  // namespace humrs
