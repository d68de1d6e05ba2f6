// Saves of leave lock their persons, not the database: on PostgreSQL one person's save
// completes while another person's save holds its transaction open after its posting,
// and a save of the same person waits until that transaction ends. (SQLite has one
// writer at a time: there is nothing to run in parallel.)
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "core/Convert.h"
#include "framework/Bill.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "leave/CoExcuse.h"
#include "suite/Seed.h"
#include "support/Files.h"
#include "support/MorningLeave.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

using namespace std::chrono_literals;

// Where the paused save stands: it has posted and waits, its transaction open, until
// the test lets it go on.
class Gate {
public:
    void Arrive() {
        std::unique_lock lock(mu_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, 20s, [&] { return released_; });
    }
    bool WaitArrived() {
        std::unique_lock lock(mu_);
        return changed_.wait_for(lock, 20s, [&] { return arrived_; });
    }
    void Release() {
        std::lock_guard lock(mu_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mu_;
    std::condition_variable changed_;
    bool arrived_ = false, released_ = false;
};

// The leave request by person, stopping at the gate once its posting is done.
class PausingExcuse : public TExcuse {
public:
    explicit PausingExcuse(Gate& gate) : gate_(gate) {}
    void AfterUpdate() override {
        TExcuse::AfterUpdate();
        gate_.Arrive();
    }

private:
    Gate& gate_;
};

// The component's classes with the leave request by person replaced by the pausing one.
ClassRegistry RegistryPausingAt(Gate& gate) {
    std::vector<ClassDescriptor> classes = ComponentRegistry().Classes();
    for (ClassDescriptor& c : classes)
        if (c.progId == ExcuseClass().progId) c.create = [&gate] { return std::make_unique<PausingExcuse>(gate); };
    return ClassRegistry(std::move(classes));
}

class PersonLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::TestOnPostgres()) GTEST_SKIP() << "SQLite runs one writer at a time";
        location_ = testing::CreateSharedTestDatabase(folder_.Path());
        auto db = OpenDatabase(location_);
        db->BeginWrite();
        AddWorkClass(*db, {.classId = "DAY"});
        AddSchedule(*db, "S-DAY", FiveDayWeek("DAY"));
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        for (const char* person : {"P1", "P2"})
            AddPerson(*db, {.personId = person, .onJobDate = 20000101, .jobSch = "S-DAY"});
        db->Commit();
    }

    // Saves a personal leave of one day on its own connection; the outcome's error,
    // empty when accepted.
    std::string SaveLeave(const ClassRegistry& registry, const std::string& billNo, const std::string& person,
                          int date) {
        auto db = OpenDatabase(location_);
        Session session(*db, registry);
        session.serverDate = 20050115;
        const Outcome out = testing::SaveMorningLeave(session, billNo, person, date);
        return out.ok ? std::string() : "refused or failed: " + out.error;
    }

    testing::TempFolder folder_{"humrs_person_lock"};
    std::string location_;
};

// One save of P1 holds its transaction open after its posting; a second save either
// completes meanwhile or waits for it. Bills without a number are numbered from the
// server date: two of them take the same date's numbering one after the other.
TEST_F(PersonLockTest, SavesOfOtherPersonsRunBesideAnOpenSaveAndSavesOfItsPersonOrNumberingDateWait) {
    struct Case {
        const char* what;
        std::string heldBillNo;  // empty: numbered from the server date
        std::string person, billNo;
        int heldDate, date;
        bool waits;
    };
    const Case cases[] = {
        {"another person", "A-P1", "P2", "A-P2", 20050110, 20050110, false},
        {"the same person", "B-P1", "P1", "C-P1", 20050117, 20050118, true},
        {"another person, both numbered", "", "P2", "", 20050124, 20050124, true},
    };
    int saved = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Gate gate;
        const ClassRegistry pausing = RegistryPausingAt(gate);
        auto held = std::async(std::launch::async, [&] { return SaveLeave(pausing, c.heldBillNo, "P1", c.heldDate); });
        ASSERT_TRUE(gate.WaitArrived());
        auto second = std::async(std::launch::async,
                                 [&] { return SaveLeave(ComponentRegistry(), c.billNo, c.person, c.date); });
        const bool secondWaited = c.waits ? second.wait_for(500ms) == std::future_status::timeout
                                          : second.wait_for(10s) == std::future_status::timeout;
        gate.Release();
        EXPECT_EQ(secondWaited, c.waits) << (c.waits ? "the second save did not wait for the open one"
                                                     : "the second save waited for the open one");
        EXPECT_EQ(held.get(), "");
        EXPECT_EQ(second.get(), "");
        saved += 2;
    }
    auto db = OpenDatabase(location_);
    EXPECT_EQ(CInt(db->QueryFirst("Select Count(Distinct BillNo) From humExcuse")->at(0)), saved);
}

}  // namespace
}  // namespace humrs
