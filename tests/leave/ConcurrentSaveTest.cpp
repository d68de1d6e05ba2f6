// Several application servers saving leave for the same persons at the same moment,
// each a process with its own connection to one shared database: of two leave
// requests that cannot both stand, exactly one is accepted, and the free overtime
// hours that compensatory leave left are what a rebuild from scratch computes.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hosting/ClassTable.h"
#include "core/Convert.h"
#include "suite/Seed.h"
#include "framework/ComBase.h"
#include "support/Files.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

struct LeaveRequest {
    std::string billNo;
    std::string category;
    int date, begin, end;
    double hours;
};

// Per person: A and B overlap in time; C and D each fit the 8 free overtime hours
// alone (also after B), but not together.
std::vector<LeaveRequest> RequestsOf(const std::string& person) {
    return {{"A" + person, "SJ", 20050110, 800, 1200, 4},
            {"B" + person, "BX", 20050110, 1000, 1200, 2},
            {"C" + person, "BX", 20050111, 800, 1400, 5},
            {"D" + person, "BX", 20050112, 800, 1400, 5}};
}

enum ChildExit { kAccepted = 0, kRefused = 1, kFailed = 2 };

// The body of one application server: waits for the start signal, saves one leave
// request on its own connection, and tells the outcome by its exit code.
[[noreturn]] void SaveInChild(const std::string& location, int startPipe, const std::string& person,
                              const LeaveRequest& request) {
    int code = kFailed;
    try {
        auto db = OpenDatabase(location);
        Session session(*db, ComponentRegistry());
        session.serverDate = 20050115;
        char go = 0;
        if (::read(startPipe, &go, 1) != 1) ::_exit(kFailed);
        auto bill = CreateBusinessObject("QVXHumrs.Excuse", session);
        bill->MergeInput(0, {{{"BillNo", Variant(request.billNo)},
                              {"PersonID", Variant(person)},
                              {"ExcuseClsID", Variant(request.category)},
                              {"BeginDate", Variant(request.date)},
                              {"BeginTime", Variant(request.begin)},
                              {"EndDate", Variant(request.date)},
                              {"EndTime", Variant(request.end)},
                              {"ExcuseCount", Variant(request.hours)}}});
        Outcome out = bill->Save();
        code = out.ok ? kAccepted : out.failure == Outcome::Kind::Refused ? kRefused : kFailed;
        if (code == kFailed) std::fprintf(stderr, "%s: %s\n", request.billNo.c_str(), out.error.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", request.billNo.c_str(), e.what());
    }
    ::_exit(code);
}

class ConcurrentSaveTest : public ::testing::Test {
protected:
    void SetUp() override { location_ = testing::CreateSharedTestDatabase(folder_.Path()); }

    testing::TempFolder folder_{"humrs_concurrent"};
    std::string location_;
};

TEST_F(ConcurrentSaveTest, ConflictingLeaveOfSeveralServersIsAcceptedOnceAndFreeHoursStayExact) {
    const std::vector<std::string> persons = {"P1", "P2", "P3"};
    {
        auto db = OpenDatabase(location_);
        db->BeginWrite();
        AddWorkClass(*db, {.classId = "DAY"});
        AddSchedule(*db, "S-DAY", FiveDayWeek("DAY"));
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
        for (const std::string& person : persons) {
            AddPerson(*db, {.personId = person, .onJobDate = 20000101, .jobSch = "S-DAY"});
            for (int k = 0; k < 2; ++k)
                db->Execute("Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
                            "FieldACount, RedeemType, UseableRedeemCount) Values (1, ?, 0, ?, ?, 1800, 2200, 4, 1, 4)",
                            {Variant("O" + person + std::to_string(k)), Variant(person), Variant(20050103 + k)});
        }
        db->Commit();
    }

    // Every request in a process of its own, all released at once.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::map<pid_t, std::string> children;
    for (const std::string& person : persons) {
        for (const LeaveRequest& request : RequestsOf(person)) {
            pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(pipeEnds[1]);
                SaveInChild(location_, pipeEnds[0], person, request);
            }
            children[pid] = request.billNo;
        }
    }
    ::close(pipeEnds[0]);
    ::usleep(300 * 1000);  // let every child connect before the start
    const std::string go(children.size(), 'g');
    ASSERT_EQ(::write(pipeEnds[1], go.data(), go.size()), static_cast<ssize_t>(go.size()));
    ::close(pipeEnds[1]);
    std::map<std::string, int> outcome;
    for (size_t n = 0; n < children.size(); ++n) {
        int status = 0;
        pid_t pid = ::wait(&status);
        ASSERT_GT(pid, 0);
        outcome[children[pid]] = WIFEXITED(status) ? WEXITSTATUS(status) : kFailed;
    }

    auto db = OpenDatabase(location_);
    for (const std::string& person : persons) {
        SCOPED_TRACE(person);
        for (const LeaveRequest& request : RequestsOf(person))
            EXPECT_NE(outcome[request.billNo], kFailed) << request.billNo << " failed rather than being decided";
        auto stored = [&](const std::string& billNo) {
            return CInt((*db->QueryFirst("Select Count(*) From humExcuse Where BillNo = ?", {Variant(billNo)}))[0]);
        };
        EXPECT_EQ(stored("A" + person) + stored("B" + person), 1) << "overlapping leave: exactly one stands";
        EXPECT_EQ(stored("C" + person) + stored("D" + person), 1) << "leave beyond the free hours: exactly one stands";
        for (const LeaveRequest& request : RequestsOf(person))
            EXPECT_EQ(stored(request.billNo), outcome[request.billNo] == kAccepted ? 1 : 0) << request.billNo;
    }

    // The free hours the saves left, against a rebuild from the stored leave.
    const std::string freeHours = "Select BillNo, UseableRedeemCount From HumOverTime Order By BillNo";
    std::vector<std::pair<std::string, double>> afterSaves, rebuilt;
    for (const auto& row : db->Query(freeHours).rows) afterSaves.emplace_back(CStr(row[0]), CFloat(row[1]));
    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    Outcome rebuild = CreateBusinessObject("QVXHumrs.Excuse", session)->ExecuteProc(11, Variant());
    ASSERT_TRUE(rebuild.ok) << rebuild.error;
    for (const auto& row : db->Query(freeHours).rows) rebuilt.emplace_back(CStr(row[0]), CFloat(row[1]));
    EXPECT_EQ(afterSaves, rebuilt);
    ASSERT_EQ(afterSaves.size(), persons.size() * 2);
}

}  // namespace
}  // namespace humrs
