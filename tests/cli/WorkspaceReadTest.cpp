// The workspace's reading endpoints and files, asked over HTTP as its pages ask them:
// a small office (two persons, a personal-leave cap, redeemable overtime) seeded
// straight into the tables, then each answer checked against what was seeded.
#include <httplib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ServeWorkspace.h"
#include "core/Convert.h"
#include "db/Database.h"
#include "hosting/ClassTable.h"
#include "leave/CoExcuse.h"
#include "leave/CoExcuseDate.h"
#include "suite/Seed.h"
#include "support/ServiceFixture.h"

namespace humrs::cli {
namespace {

struct Reply {
    int status = 0;
    Json body;
    httplib::Headers headers;
    std::string text;
};

class WorkspaceReadTest : public humrs::testing::ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        auto db = OpenDatabase(global_.dbPath);
        AddDepartment(*db, "D1", "生产部");
        AddPerson(*db, {.personId = "E001", .personName = "张三", .departId = "D1", .onJobDate = 20000101});
        AddPerson(*db, {.personId = "E002", .personName = "李四", .departId = "D1", .onJobDate = 20000101});
        AddPerson(*db, {.personId = "X_1", .personName = "O'Brien 100%", .departId = "D1", .onJobDate = 20000101});
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal,
                               .unitName = 0});
        AddLeaveCategory(*db, {.excuseClsId = "TX", .excuseClsName = "调休", .excuseCls = leave_kind::kCompensatory});
        AddWorkClass(*db, {.classId = "A1", .className = "白班"});
        SetParam(*db, "AllowAffairLeaveYear", "1");
        SetParam(*db, "HumMaxPrivateExCount", "5");
        SetParam(*db, "HumMakeUpRestTerm", "3");
        // Leave by person (Flag 1): two days of personal leave in January, one in
        // December; a row of a leave by date (Flag 2) for the other person.
        Leave(*db, 1, "QJ200501100001", "E001", "SJ", 20050110, 20050111, 2);
        Leave(*db, 1, "QJ200412200001", "E001", "SJ", 20041220, 20041220, 1);
        Leave(*db, 1, "QZ_200501", "E002", "SJ", 20050105, 20050105, 1);
        Leave(*db, 2, "RQ200501030001", "E002", "SJ", 20050103, 20050103, 1);
        // Redeemable overtime: free hours from November (within the three months a
        // leave reaches back), from September (out of reach by now), and January's.
        Overtime(*db, "JB200411050001", 20041105, 4, 4);
        Overtime(*db, "JB200409010001", 20040901, 3, 3);
        Overtime(*db, "JB200501120001", 20050112, 2, 0);
    }

    static void Leave(Database& db, int flag, const std::string& billNo, const std::string& person,
                      const std::string& category, int begin, int end, double count) {
        db.Execute(
            "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, "
            "EndTime, ExcuseCount, ExcuseDate) Values (?, ?, 0, ?, ?, ?, 800, ?, 1700, ?, ?)",
            {flag, billNo, person, category, begin, end, count, begin});
        if (flag == 2)
            db.Execute("Insert Into humExcuseDateMain (BillNo, BillDate) Values (?, ?)", {billNo, begin});
    }
    static void Overtime(Database& db, const std::string& billNo, int date, double hours, double free) {
        db.Execute(
            "Insert Into humOverTime (Flag, BillNo, RowNo, BillDate, PersonID, OverTimeDate, BeginTime, EndTime, "
            "TotalCount, RedeemType, UseableRedeemCount) Values (1, ?, 0, ?, 'E001', ?, 1800, 2200, ?, 1, ?)",
            {billNo, date, date, hours, free});
    }

    Reply Get(const std::string& path, const std::string& token = humrs::testing::kClientToken) {
        auto client = Client(token);
        auto res = client.Get(path.c_str());
        if (!res) return Reply{-1};
        Reply r{res->status, Json(), res->headers, res->body};
        if (res->get_header_value("Content-Type").rfind("application/json", 0) == 0) r.body = Json::parse(res->body);
        return r;
    }

    static std::vector<std::string> Keys(const Json& rows) {
        std::vector<std::string> keys;
        for (const Json& row : rows) keys.push_back(row["key"]);
        return keys;
    }
};

TEST_F(WorkspaceReadTest, ClassesAreTheOnesTheCallerMayRead) {
    Start();
    const std::string viewer = AddAccount("audit1", {"viewer"});
    const std::string payroll = AddAccount("pay1", {"payroll"});
    struct Case {
        std::string token;
        bool seesLeave, seesPay, writesPay;
    };
    for (const Case& c : {Case{viewer, true, true, false}, Case{payroll, false, true, true}}) {
        const Reply r = Get("/v1/classes", c.token);
        ASSERT_EQ(r.status, 200) << r.text;
        const Json* leave = nullptr;
        const Json* pay = nullptr;
        for (const Json& cls : r.body["classes"]) {
            if (cls["progId"] == "QVXHumrs.Excuse") leave = &cls;
            if (cls["progId"] == "QVXHumrs.HumMonthSalaryQuery") pay = &cls;
            EXPECT_NE(cls["progId"], "QVXHumrs.Reset") << "a suite object is no class of the workspace";
        }
        EXPECT_EQ(leave != nullptr, c.seesLeave);
        ASSERT_EQ(pay != nullptr, c.seesPay);
        EXPECT_EQ((*pay)["canWrite"], c.writesPay);
        EXPECT_EQ((*pay)["subsystem"], "薪资");
    }
    // Fields in table order without Flag, typed, each with a label and its picker.
    const Reply r = Get("/v1/classes", viewer);
    for (const Json& cls : r.body["classes"]) {
        if (cls["progId"] != "QVXHumrs.Excuse") continue;
        const Json& fields = cls["datasets"][0]["fields"];
        EXPECT_EQ(fields[0]["name"], "BillNo");
        EXPECT_EQ(fields[0]["key"], true);
        for (const Json& f : fields) {
            EXPECT_NE(f["name"], "Flag");
            EXPECT_FALSE(f["label"].get<std::string>().empty());
            if (f["name"] == "PersonID") EXPECT_EQ(f["picker"], "person");
            if (f["name"] == "ExcuseCount") EXPECT_EQ(f["type"], "float");
        }
        const Json& p6 = cls["procedures"][4];
        EXPECT_EQ(p6["name"], "GetRemainingEntitlement");
        EXPECT_EQ(p6["access"], "reads");
        EXPECT_EQ(p6["args"][1], (Json{{"name", "Date"}, {"type", "int"}, {"optional", false}}));
    }
}

TEST_F(WorkspaceReadTest, ClassesCarryTheirTitleLabelsAndFindColumns) {
    ClassDescriptor leave = ExcuseClass();
    leave.title = "请假单";
    leave.labels = {{"PersonID", "人员"}, {"BeginDate", ""}};
    leave.findDate = "BeginDate";
    leave.findPersonDataset = 0;
    leave.findPerson = "PersonID";
    const ClassRegistry registry({leave});
    const Json classes = ClassesJson(registry, Actor{"audit1", "service", {"viewer"}, false})["classes"];
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0]["title"], "请假单");
    EXPECT_EQ(classes[0]["canWrite"], false);
    EXPECT_EQ(classes[0]["find"], (Json{{"date", "BeginDate"}, {"personDataset", 0}, {"person", "PersonID"}}));
    for (const Json& f : classes[0]["datasets"][0]["fields"]) {
        if (f["name"] == "PersonID") EXPECT_EQ(f["label"], "人员");
        if (f["name"] == "BeginDate") EXPECT_EQ(f["label"], "BeginDate") << "an empty label falls back to the name";
    }
}

TEST_F(WorkspaceReadTest, FindPagesABillListNewestFirstAndTakesValuesAsData) {
    Start();
    struct Case {
        std::string query;
        std::vector<std::string> keys;
        bool more;
    };
    const std::vector<Case> cases = {
        // newest first by the leave's first day
        {"", {"QJ200501100001", "QZ_200501", "QJ200412200001"}, false},
        {"&size=2", {"QJ200501100001", "QZ_200501"}, true},
        {"&size=2&page=2", {"QJ200412200001"}, false},
        {"&billNo=QZ_", {"QZ_200501"}, false},
        {"&billNo=Q_", {}, false},  // "_" is a character, not any character
        {"&billNo=QJ%25", {}, false},
        {"&billNo=%27%3B%20drop%20table%20humExcuse%3B--", {}, false},
    };
    for (const Case& c : cases) {
        const Reply r = Get("/v1/find?progid=QVXHumrs.Excuse" + c.query);
        ASSERT_EQ(r.status, 200) << c.query << ": " << r.text;
        EXPECT_EQ(Keys(r.body["rows"]), c.keys) << c.query;
        EXPECT_EQ(r.body["more"], c.more) << c.query;
    }
    const Reply r = Get("/v1/find?progid=QVXHumrs.Excuse&size=1");
    EXPECT_EQ(r.body["rows"][0]["fields"]["PersonID"], "E001");
    EXPECT_FALSE(r.body["rows"][0]["fields"].contains("Flag"));
    EXPECT_EQ(Keys(Get("/v1/find?progid=QVXHumrs.ExcuseDate").body["rows"]), std::vector<std::string>{"RQ200501030001"});
}

TEST_F(WorkspaceReadTest, FindSearchesByDateAndPersonWhereTheClassNamesThem) {
    auto db = OpenDatabase(global_.dbPath);
    ClassDescriptor byPerson = ExcuseClass();
    byPerson.findDate = "BeginDate";
    byPerson.findPersonDataset = 0;
    byPerson.findPerson = "PersonID";
    ClassDescriptor byDate = ExcuseDateClass();
    byDate.findDate = "BillDate";
    byDate.findPersonDataset = 1;
    byDate.findPerson = "PersonID";
    struct Case {
        const ClassDescriptor* c;
        QueryArguments query;
        std::vector<std::string> keys;
        std::string firstName;
    };
    const std::vector<Case> cases = {
        {&byPerson, {}, {"QJ200501100001", "QZ_200501", "QJ200412200001"}, "张三"},
        {&byPerson, {{"from", "20050101"}, {"to", "20050109"}}, {"QZ_200501"}, "李四"},
        {&byPerson, {{"person", "E001"}, {"to", "20041231"}}, {"QJ200412200001"}, "张三"},
        {&byPerson, {{"person", "' or 1=1 --"}}, {}, ""},
        {&byDate, {{"person", "E002"}}, {"RQ200501030001"}, "李四"},
        {&byDate, {{"person", "E001"}}, {}, ""},
        {&byDate, {}, {"RQ200501030001"}, "李四"},
    };
    for (const Case& c : cases) {
        const Json found = FindBills(*db, *c.c, c.query);
        EXPECT_EQ(Keys(found["rows"]), c.keys) << c.c->progId << " " << Dump(Json(c.query), false);
        if (!c.keys.empty()) EXPECT_EQ(found["rows"][0]["personName"], c.firstName);
    }
    for (const QueryArguments& bad : std::vector<QueryArguments>{
             {{"from", "2005011"}}, {{"to", "20051301"}}, {{"page", "0"}}, {{"size", "101"}},
             {{"size", "100"}, {"page", "101"}}, {{"sort", "BillNo"}}, {{"page", "1"}, {"page", "2"}}}) {
        EXPECT_THROW(FindBills(*db, byPerson, bad), InputError) << Dump(Json(bad), false);
    }
}

TEST_F(WorkspaceReadTest, PickMatchesCodesAndNamesLiterally) {
    Start();
    struct Case {
        std::string query;
        std::vector<std::string> codes;
    };
    const std::vector<Case> cases = {
        {"kind=person", {"E001", "E002", "X_1"}},
        {"kind=person&q=e00", {"E001", "E002"}},  // either case
        {"kind=person&q=%E5%BC%A0", {"E001"}},    // 张
        {"kind=person&q=_", {"X_1"}},
        {"kind=person&q=%25", {"X_1"}},
        {"kind=person&q=%27", {"X_1"}},
        {"kind=person&q=%27%3B%20drop%20table%20comPerson%3B--", {}},
        {"kind=person&limit=1", {"E001"}},
        {"kind=excuseCls&q=%E8%B0%83", {"TX"}},  // 调
        {"kind=department", {"D1"}},
    };
    for (const Case& c : cases) {
        const Reply r = Get("/v1/pick?" + c.query);
        ASSERT_EQ(r.status, 200) << c.query << ": " << r.text;
        std::vector<std::string> codes;
        for (const Json& item : r.body["items"]) codes.push_back(item["code"]);
        EXPECT_EQ(codes, c.codes) << c.query;
    }
    EXPECT_EQ(Get("/v1/pick?kind=person&q=E001").body["items"][0],
              (Json{{"code", "E001"}, {"name", "张三"}, {"detail", "生产部"}}));
    EXPECT_EQ(Get("/v1/pick?kind=excuseCls&q=SJ").body["items"][0]["detail"], "天");
    EXPECT_EQ(Get("/v1/pick?kind=shift").body["items"][0]["detail"], "08:00-17:00");
}

TEST_F(WorkspaceReadTest, PersonShowsTheMonthTheBalancesAndTheFreeHours) {
    Start();
    const Reply r = Get("/v1/person?id=E001&month=200501", AddAccount("audit1", {"viewer"}));
    ASSERT_EQ(r.status, 200) << r.text;
    EXPECT_EQ(r.body["person"], (Json{{"id", "E001"}, {"name", "张三"}, {"depart", "生产部"}, {"onJob", true}}));
    std::vector<int> dates;
    for (const Json& d : r.body["days"]) dates.push_back(d["date"]);
    EXPECT_EQ(dates, (std::vector<int>{20050110, 20050111, 20050112}));
    const Json& leave = r.body["days"][1]["leave"][0];
    EXPECT_EQ(leave["progId"], "QVXHumrs.Excuse");
    EXPECT_EQ(leave["categoryName"], "事假");
    EXPECT_EQ(leave["count"], 2.0);
    EXPECT_EQ(r.body["days"][2]["overtime"][0]["progId"], "QVXHumrs.Overtime");
    EXPECT_EQ(r.body["days"][2]["overtime"][0]["hours"], 2.0);
    // The leave year is the calendar year: December's day is last year's.
    EXPECT_EQ(r.body["balances"], (Json::array({{{"category", "SJ"}, {"name", "事假"}, {"yearStart", 20050101},
                                                 {"quota", 5.0}, {"used", 2.0}, {"left", 3.0}, {"unit", "天"}}})));
    EXPECT_EQ(r.body["compensatory"], (Json::array({{{"date", 20041105}, {"billNo", "JB200411050001"},
                                                     {"hours", 4.0}, {"expires", 20050205}}})));
    // Leave beyond the cap (entered while it was higher) leaves nothing, the cap as it is.
    Leave(*OpenDatabase(global_.dbPath), 1, "QJ200501200001", "X_1", "SJ", 20050120, 20050125, 6);
    const Reply over = Get("/v1/person?id=X_1&month=200501");
    EXPECT_EQ(over.body["balances"][0]["quota"], 5.0);
    EXPECT_EQ(over.body["balances"][0]["used"], 6.0);
    EXPECT_EQ(over.body["balances"][0]["left"], 0.0);
}

TEST_F(WorkspaceReadTest, PayStatementIsTheQueryProcedureAnswer) {
    Start();
    const Reply r = Get("/v1/paystatement?person=E001&month=200501", AddAccount("pay1", {"payroll"}));
    ASSERT_EQ(r.status, 200) << r.text;
    const Answer proc = RunProc(global_, "QVXHumrs.HumMonthSalaryQuery", 1, R"(["E001",200501])", "");
    ASSERT_EQ(proc.exitCode, 0) << Dump(proc.body, false);
    EXPECT_EQ(r.body["statement"], proc.body["result"]);
}

TEST_F(WorkspaceReadTest, EachEndpointRefusesWhatItMustNotAnswer) {
    Start();
    const std::string payroll = AddAccount("pay1", {"payroll"});
    struct Case {
        std::string path, token;
        int status;
    };
    const std::vector<Case> cases = {
        {"/v1/person?id=E001&month=200501", payroll, 403},
        {"/v1/find?progid=QVXHumrs.Excuse", payroll, 403},
        {"/v1/classes", "", 401},
        {"/v1/pick?kind=person", "", 401},
        {"/v1/person?id=E001&month=200513", humrs::testing::kClientToken, 400},
        {"/v1/person?id=NOBODY&month=200501", humrs::testing::kClientToken, 400},
        {"/v1/paystatement?person=E001", payroll, 400},
        {"/v1/find?progid=QVXHumrs.Excuse&size=1000000000000", payroll, 403},
        {"/v1/find?progid=QVXHumrs.Excuse&size=1000000000000", humrs::testing::kClientToken, 400},
        {"/v1/find?progid=QVXHumrs.Excuse&page=0", humrs::testing::kClientToken, 400},
        {"/v1/find?progid=QVXHumrs.Excuse&from=2005-01-01", humrs::testing::kClientToken, 400},
        {"/v1/find?progid=QVXHumrs.Nothing", humrs::testing::kClientToken, 400},
        {"/v1/find?progid=QVXHumrs.Excuse&where=1", humrs::testing::kClientToken, 400},
        {"/v1/pick?kind=salary", humrs::testing::kClientToken, 400},
        {"/v1/pick?kind=person&limit=51", humrs::testing::kClientToken, 400},
    };
    for (const Case& c : cases) {
        const Reply r = Get(c.path, c.token);
        EXPECT_EQ(r.status, c.status) << c.path << ": " << r.text;
        EXPECT_EQ(r.body["ok"], false) << c.path;
    }
    auto db = OpenDatabase(global_.dbPath);
    EXPECT_EQ(CInt(db->QueryFirst("Select Count(*) From comPerson").value()[0]), 3);
    EXPECT_EQ(CInt(db->QueryFirst("Select Count(*) From humExcuse").value()[0]), 4);
}

TEST_F(WorkspaceReadTest, PagesAreServedWithoutTokenAndNothingOutsideThem) {
    Start();
    const Reply page = Get("/", "");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.headers.find("Content-Type")->second.rfind("text/html", 0), 0u);
    EXPECT_EQ(page.headers.find("Content-Security-Policy")->second,
              "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; frame-ancestors 'none'");
    EXPECT_EQ(page.headers.find("X-Content-Type-Options")->second, "nosniff");
    EXPECT_NE(page.text.find("<html"), std::string::npos);
    EXPECT_EQ(Get("/app/index.html", "").text, page.text);
    for (const char* path : {"/app/../x", "/app/%2e%2e/CMakeLists.txt", "/app/..%2fCMakeLists.txt", "/app/nothing.js",
                             "/app/", "/index.html"})
        EXPECT_EQ(Get(path, "").status, 404) << path;
}

}  // namespace
}  // namespace humrs::cli
