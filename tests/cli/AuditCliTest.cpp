// The audit trail from outside: `sql` reads it but never writes it however the table
// is spelt, `humrs audit` shows a bill's history with the operating-system user the
// command ran as, and the service answers GET /v1/audit.
#include <pwd.h>
#include <unistd.h>

#include "cli/Commands.h"
#include "support/CliFixture.h"
#include "support/Fixture.h"
#include "support/ServiceFixture.h"

namespace humrs {
namespace {

using nlohmann::json;

class AuditSqlTest : public testing::HumrsFixture {};

TEST_F(AuditSqlTest, SqlReadsTheTrailButNeverWritesIt) {
    const Outcome saved = SaveBill(
        "QVXHumrs.ExcuseCls",
        {{{{"ExcuseClsID", Variant("T1")}, {"ExcuseClsName", Variant("事假")}, {"ExcuseUnit", Variant(1)}}}});
    ASSERT_TRUE(saved.ok) << saved.error;
    const auto trail = [&] {
        return cli::RunSqlStatement(*db, "Select * From sysAuditTrail Order By EntryNo")["rows"];
    };
    const auto before = trail();
    ASSERT_EQ(before.size(), 1u);
    const char* const writes[] = {
        "Insert Into sysAuditTrail (EntryNo, Outcome) Values (99, 'accepted')",
        "insert into SYSAUDITTRAIL (EntryNo) values (99)",
        "Update sysAuditTrail Set UserName = 'nobody'",
        "Update [sysAuditTrail] Set Outcome = 'accepted'",
        "UPDATE \"SysAuditTrail\" SET Message = ''",
        "Update a Set Message = '' From sysAuditTrail a",
        "Delete From sysaudittrail",
        "Delete [SYSAUDITTRAIL] Where EntryNo = 1",
        "Delete a From sysAuditTrail a Where a.EntryNo = 1",
        "Delete /* the trail */ From \"sysAuditTrail\"",
        "Drop Table sysAuditTrail",
        "Insert Into humExcuseCls (ExcuseClsID) Select BillKey From sysAuditTrail",
    };
    for (const char* statement : writes) {
        SCOPED_TRACE(statement);
        EXPECT_THROW(cli::RunSqlStatement(*db, statement), InputError);
    }
    EXPECT_EQ(trail(), before);
    const char* const reads[] = {
        "Select Count(*) From sysAuditTrail",
        "select Outcome from [SYSAUDITTRAIL] where BillKey = 't1'",
        "Select e.UserName From \"sysAuditTrail\" e Join humExcuseCls c On c.ExcuseClsID = e.BillKey",
    };
    for (const char* statement : reads) {
        SCOPED_TRACE(statement);
        EXPECT_EQ(cli::RunSqlStatement(*db, statement)["rows"].size(), 1u);
    }
}

std::string OperatingSystemUser() {
    const passwd* user = ::getpwuid(::geteuid());
    return user ? user->pw_name : "uid " + std::to_string(::geteuid());
}

class AuditCommandTest : public testing::CliFixture {
protected:
    AuditCommandTest() : CliFixture("humrs-audit") {}
};

TEST_F(AuditCommandTest, ShowsTheHistoryOfABillOldestFirst) {
    REQUIRE_CATEGORY_CLASS();
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);
    ASSERT_EQ(Humrs({"save", kCategory, "-"}, TestCategory().dump()).exitCode, 0);
    ASSERT_EQ(
        Humrs({"save", kCategory, "-"}, Category({{"ExcuseClsID", "T1"}, {"ExcuseUnit", 1}}).dump()).exitCode,
        0);
    ASSERT_EQ(Humrs({"delete", kCategory, "T1"}).exitCode, 0);

    const Result r = Humrs({"audit", kCategory, "t1"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const json& entries = r.answer["entries"];
    ASSERT_EQ(entries.size(), 3u) << r.out;
    const char* const operations[] = {"save", "save", "delete"};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i]["operation"], operations[i]);
        EXPECT_EQ(entries[i]["outcome"], "accepted");
        EXPECT_EQ(entries[i]["user"], OperatingSystemUser());
        EXPECT_EQ(entries[i]["via"], "command");
    }
    EXPECT_EQ(entries[1]["changes"][0]["modified"][0]["changed"]["ExcuseUnit"], json::array({0.5, 1.0}));

    EXPECT_EQ(Humrs({"audit", "QVXHumrs.Nothing", "T1"}).exitCode, 2);
}

class AuditServiceTest : public testing::ServiceFixture {};

TEST_F(AuditServiceTest, AnswersABillsHistory) {
    Start();
    httplib::Client client = Client();
    ASSERT_EQ(client.Post("/v1/save", Category("T7").dump(), "application/json")->status, 200);
    const auto res = client.Get("/v1/audit?progid=QVXHumrs.ExcuseCls&key=T7");
    ASSERT_EQ(res->status, 200) << res->body;
    const Json body = Json::parse(res->body);
    ASSERT_EQ(body["entries"].size(), 1u);
    EXPECT_EQ(body["entries"][0]["outcome"], "accepted");
    for (const char* bad : {"/v1/audit?progid=QVXHumrs.ExcuseCls", "/v1/audit?progid=Nothing&key=T7",
                            "/v1/audit?progid=QVXHumrs.ExcuseCls&key=T7&key=T8"})
        EXPECT_EQ(client.Get(bad)->status, 400) << bad;
    EXPECT_EQ(Client("").Get("/v1/audit?progid=QVXHumrs.ExcuseCls&key=T7")->status, 401);
}

}  // namespace
}  // namespace humrs
