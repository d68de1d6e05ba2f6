// What a leave save costs the database once its statements are prepared: on
// PostgreSQL the round trips while the save holds its locks (the writes whose counts
// nobody reads go with the next statement or the COMMIT), on both backends no fact
// read twice, and a write held back that fails still fails the save.
#include <gtest/gtest.h>

#include "leave/LeaveFixture.h"

namespace humrs::testing {
namespace {

class LockedSaveTrafficTest : public LeaveFixture {
protected:
    void SetUp() override {
        LeaveFixture::SetUp();
        SetParam(*db, "AllowAffairLeaveYear", "1");
        SetParam(*db, "HumMaxPrivateExCount", "40");
        // Free overtime hours for P2's compensatory leave.
        db->Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
            "RedeemType, UseableRedeemCount) Values (1, 'O1', 0, 'P2', 20050104, 1800, 2200, 4, 1, 4)");
        // The statements of a leave save are prepared by a first one.
        EXPECT_TRUE(SaveNew(Leave("L0", "P1", "SJ", 20050110, 900, 20050110, 1100, 2)).ok);
        EXPECT_TRUE(SaveNew(Leave("L1", "P2", "BX", 20050111, 900, 20050111, 1100, 2)).ok);
    }
    // A new bill saved by an object that looked nothing up before: what the save sends
    // is the transaction that holds its locks, and nothing else.
    Outcome SaveNew(const Row& row) {
        auto bill = Object("QVXHumrs.Excuse");
        bill->MergeInput(0, {row});
        return bill->Save();
    }
};

TEST_F(LockedSaveTrafficTest, ALeaveSaveReadsEachFactOnceAndHoldsItsLocksForFewRoundTrips) {
    struct Case {
        const char* category;
        uint64_t lockedRoundTrips;  // PostgreSQL: after the round trip that takes the locks, to COMMIT
    };
    const Case cases[] = {{"SJ", 9}, {"BX", 12}};
    int day = 20050112;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.category);
        db->Recorder().Start();
        const Database::Traffic before = db->Sent();
        ASSERT_TRUE(SaveNew(Leave(std::string("T") + c.category, "P2", c.category, day, 900, day, 1100, 2)).ok);
        const Database::Traffic after = db->Sent();
        db->Recorder().Stop();
        ++day;
        // A select sent again with the same values has a write before it since it was
        // last sent: otherwise the save read a fact it had read already.
        const auto& sent = db->Recorder().SentStatements();
        auto isSelect = [](const std::string& sql) { return SameText(Trim(sql).substr(0, 6), "Select"); };
        for (size_t i = 0; i < sent.size(); ++i) {
            if (!isSelect(sent[i].sql)) continue;
            for (size_t j = i; j-- > 0;) {
                if (!isSelect(sent[j].sql)) break;
                bool same = sent[j].sql == sent[i].sql && sent[j].params.size() == sent[i].params.size();
                for (size_t k = 0; same && k < sent[i].params.size(); ++k)
                    same = sent[j].params[k].SameValue(sent[i].params[k]);
                EXPECT_FALSE(same) << "read twice: " << sent[i].sql;
            }
        }
        if (db->Kind() != Backend::PostgreSQL) continue;
        EXPECT_EQ(after.prepares, before.prepares);
        EXPECT_LE(after.roundTrips - before.roundTrips - 1, c.lockedRoundTrips);
    }
}

// A new bill whose row is stored already under its key: the insert fails on the
// database whenever it is sent, and the save fails as a database failure with nothing
// of it kept.
TEST_F(LockedSaveTrafficTest, AWriteHeldBackThatFailsFailsTheSave) {
    db->Execute(
        "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) Values (1, 'L9', 0, 'P2', 'PT', 20040105, 900, 20040105, 1000, 1)");
    const int64_t details = Count("humAttendDetail");
    const Outcome out = SaveNew(Leave("L9", "P2", "SJ", 20050117, 900, 20050117, 1100, 2));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.failure, Outcome::Kind::DatabaseFailure);
    EXPECT_EQ(Count("humExcuse Where BillNo = 'L9'"), 1);
    EXPECT_EQ(Count("humExcuse Where BillNo = 'L9' And BeginDate = 20040105"), 1);
    EXPECT_EQ(Count("humAttendDetail"), details);
    EXPECT_EQ(Count("sysAuditTrail Where BillKey = 'L9' And Outcome = 'accepted'"), 0);
    EXPECT_EQ(Count("sysAuditTrail Where BillKey = 'L9' And Outcome = 'database'"), 1);
    // The connection goes on: the next save is accepted.
    EXPECT_TRUE(SaveLeave(Leave("L10", "P2", "SJ", 20050118, 900, 20050118, 1100, 2)).ok);
}

}  // namespace
}  // namespace humrs::testing
