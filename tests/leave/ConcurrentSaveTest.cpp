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

using Row = std::vector<std::pair<std::string, Variant>>;

Row LeaveRow(const std::string& person, const LeaveRequest& request) {
    return {{"PersonID", Variant(person)},         {"ExcuseClsID", Variant(request.category)},
            {"BeginDate", Variant(request.date)},  {"BeginTime", Variant(request.begin)},
            {"EndDate", Variant(request.date)},    {"EndTime", Variant(request.end)},
            {"ExcuseCount", Variant(request.hours)}};
}

// A bill one application server saves: its datasets' rows, in dataset order.
struct BillToSave {
    std::string progId;
    std::string billNo;
    std::vector<std::vector<Row>> datasets;
};

// The body of one application server: waits for the start signal, saves one bill on
// its own connection, and tells the outcome by its exit code.
[[noreturn]] void SaveInChild(const std::string& location, int startPipe, const BillToSave& toSave) {
    int code = kFailed;
    try {
        auto db = OpenDatabase(location);
        Session session(*db, ComponentRegistry());
        session.serverDate = 20050115;
        char go = 0;
        if (::read(startPipe, &go, 1) != 1) ::_exit(kFailed);
        auto bill = CreateBusinessObject(toSave.progId, session);
        for (size_t i = 0; i < toSave.datasets.size(); ++i) bill->MergeInput(static_cast<int>(i), toSave.datasets[i]);
        Outcome out = bill->Save();
        code = out.ok ? kAccepted : out.failure == Outcome::Kind::Refused ? kRefused : kFailed;
        if (code == kFailed) std::fprintf(stderr, "%s: %s\n", toSave.billNo.c_str(), out.error.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", toSave.billNo.c_str(), e.what());
    }
    ::_exit(code);
}

// A leave request by person, as one bill.
BillToSave PersonalLeave(const std::string& person, const LeaveRequest& request) {
    Row row = LeaveRow(person, request);
    row.insert(row.begin(), {"BillNo", Variant(request.billNo)});
    return {"QVXHumrs.Excuse", request.billNo, {std::vector<Row>{row}}};
}

// A leave request by date with one row per person, all of the same request.
BillToSave LeaveByDate(const std::vector<std::string>& persons, const LeaveRequest& request) {
    std::vector<Row> rows;
    for (size_t i = 0; i < persons.size(); ++i) {
        Row row = LeaveRow(persons[i], request);
        row.push_back({"SerNo", Variant(static_cast<int>(i + 1))});
        row.push_back({"RowNo", Variant(static_cast<int>(i + 1))});
        rows.push_back(std::move(row));
    }
    const Row header = {{"BillNo", Variant(request.billNo)}, {"BillDate", Variant(request.date)}};
    return {"QVXHumrs.ExcuseDate", request.billNo, {std::vector<Row>{header}, rows}};
}

// Saves every bill in a process of its own, all released at once; the exit code of
// each by bill number.
std::map<std::string, int> SaveAllAtOnce(const std::string& location, const std::vector<BillToSave>& bills) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    std::map<pid_t, std::string> children;
    for (const BillToSave& bill : bills) {
        pid_t pid = ::fork();
        if (pid < 0) break;
        if (pid == 0) {
            ::close(pipeEnds[1]);
            SaveInChild(location, pipeEnds[0], bill);
        }
        children[pid] = bill.billNo;
    }
    ::close(pipeEnds[0]);
    ::usleep(300 * 1000);  // let every child connect before the start
    const std::string go(children.size(), 'g');
    const bool started = ::write(pipeEnds[1], go.data(), go.size()) == static_cast<ssize_t>(go.size());
    ::close(pipeEnds[1]);
    std::map<std::string, int> outcome;
    for (size_t n = 0; n < children.size(); ++n) {
        int status = 0;
        pid_t pid = ::wait(&status);
        if (pid <= 0) break;
        outcome[children[pid]] = started && WIFEXITED(status) ? WEXITSTATUS(status) : kFailed;
    }
    return outcome;
}

// The free overtime hours the saves left, against a rebuild from the stored leave.
void ExpectFreeHoursAsRebuilt(Database& db, size_t overtimeRows) {
    const std::string freeHours = "Select BillNo, UseableRedeemCount From HumOverTime Order By BillNo";
    std::vector<std::pair<std::string, double>> afterSaves, rebuilt;
    for (const auto& row : db.Query(freeHours).rows) afterSaves.emplace_back(CStr(row[0]), CFloat(row[1]));
    Session session(db, ComponentRegistry());
    session.serverDate = 20050115;
    Outcome rebuild = CreateBusinessObject("QVXHumrs.Excuse", session)->ExecuteProc(11, Variant());
    ASSERT_TRUE(rebuild.ok) << rebuild.error;
    for (const auto& row : db.Query(freeHours).rows) rebuilt.emplace_back(CStr(row[0]), CFloat(row[1]));
    EXPECT_EQ(afterSaves, rebuilt);
    EXPECT_EQ(afterSaves.size(), overtimeRows);
}

class ConcurrentSaveTest : public ::testing::Test {
protected:
    void SetUp() override { location_ = testing::CreateSharedTestDatabase(folder_.Path()); }

    // The persons on a day shift, each with two redeemable overtime rows of 4 free hours.
    void SeedPersons(const std::vector<std::string>& persons) {
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

    testing::TempFolder folder_{"humrs_concurrent"};
    std::string location_;
};

TEST_F(ConcurrentSaveTest, ConflictingLeaveOfSeveralServersIsAcceptedOnceAndFreeHoursStayExact) {
    const std::vector<std::string> persons = {"P1", "P2", "P3"};
    SeedPersons(persons);
    std::vector<BillToSave> bills;
    for (const std::string& person : persons)
        for (const LeaveRequest& request : RequestsOf(person)) bills.push_back(PersonalLeave(person, request));
    std::map<std::string, int> outcome = SaveAllAtOnce(location_, bills);
    ASSERT_EQ(outcome.size(), bills.size());

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

    ExpectFreeHoursAsRebuilt(*db, persons.size() * 2);
}

// Bills by date lock every person of their rows: against each person's own requests
// in parallel, each person keeps exactly one of two overlapping leaves and one of two
// compensatory leaves that the free hours allow only one of.
TEST_F(ConcurrentSaveTest, LeaveByDateOfTwoPersonsAgainstTheirOwnRequestsIsDecidedOnce) {
    const std::vector<std::string> persons = {"P1", "P2"};
    SeedPersons(persons);
    std::vector<BillToSave> bills = {LeaveByDate(persons, {"DA", "SJ", 20050110, 1000, 1200, 2}),
                                     LeaveByDate(persons, {"DC", "BX", 20050112, 800, 1400, 5})};
    for (const std::string& person : persons) {
        bills.push_back(PersonalLeave(person, {"A" + person, "SJ", 20050110, 800, 1200, 4}));
        bills.push_back(PersonalLeave(person, {"C" + person, "BX", 20050111, 800, 1400, 5}));
    }
    std::map<std::string, int> outcome = SaveAllAtOnce(location_, bills);
    ASSERT_EQ(outcome.size(), bills.size());
    for (const BillToSave& bill : bills)
        EXPECT_NE(outcome[bill.billNo], kFailed) << bill.billNo << " failed rather than being decided";

    auto db = OpenDatabase(location_);
    auto stored = [&](const std::string& billNo, const std::string& person) {
        return CInt((*db->QueryFirst("Select Count(*) From humExcuse Where BillNo = ? And PersonID = ?",
                                     {Variant(billNo), Variant(person)}))[0]);
    };
    for (const std::string& person : persons) {
        SCOPED_TRACE(person);
        EXPECT_EQ(stored("A" + person, person) + stored("DA", person), 1) << "overlapping leave: exactly one stands";
        EXPECT_EQ(stored("C" + person, person) + stored("DC", person), 1) << "beyond the free hours: one stands";
    }
    ExpectFreeHoursAsRebuilt(*db, persons.size() * 2);
}

}  // namespace
}  // namespace humrs
