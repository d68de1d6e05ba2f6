// The audit trail on both backends: an entry commits or rolls back with the change it
// records, a refusal leaves an entry of its own, and a bill's history reads oldest
// first with who did what through what.
#include <ctime>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>

#include "framework/AuditTrail.h"
#include "support/Fixture.h"

namespace humrs {
namespace {

constexpr Message kLocked{"Locked", "单据已锁定"};
constexpr Message kUnluckyAmount{"UnluckyAmount", "不吉利的金额"};
constexpr Message kNoDelete{"NoDelete", "不允许删除"};
constexpr Message kProcedureRefuses{"ProcedureRefuses", "过程拒绝"};

// A one-row bill whose hooks refuse on demand, after its rows are written.
class TAuditedBill : public TQVXComBase {
public:
    bool refuseDelete = false;
    bool refuseEdit = false;
    void BeforeEdit() override {
        if (refuseEdit) MakeException(kLocked);
    }
    void AfterUpdate() override {
        // The row is written by now; the refusal must take it back with the entry.
        if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From tstAudited Where Amount = 13")) > 0)
            MakeException(kUnluckyAmount);
    }
    void AfterDelete() override {
        if (refuseDelete) MakeException(kNoDelete);
    }
};

ClassDescriptor AuditedBillClass() {
    using namespace column_types;
    ClassDescriptor d;
    d.progId = "Test.Audited";
    d.keyColumn = "BillNo";
    d.datasets = {HeaderDataset("tstAudited")};
    d.tables = {TableDef{"tstAudited", {{"BillNo", kText}, {"Amount", kInt}, {"Rate", kFloat, "NULL"}}, {"BillNo"}}};
    d.create = [] { return std::make_unique<TAuditedBill>(); };
    ProcedureDef write{
        1, "Write", ArgShape::Single, {{"BillNo", ArgType::Text}}, [](TQVXComBase& o, const ProcArgs& a) {
            o.GetDBConn().Db().Execute("Insert Into tstAudited (BillNo, Amount) Values (?, 13)",
                                       {Variant(a.Text(0))});
            if (a.Text(0) == "refuse") o.MakeException(kProcedureRefuses);
            return Variant();
        }};
    d.procedures = {write};
    return d;
}

// Today's date in UTC, yyyy-mm-dd, as the C library works it out.
std::string UtcDate() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
    return text;
}

class AuditTrailTest : public testing::HumrsFixture {
public:
    void SetUp() override {
        HumrsFixture::SetUp();
        CreateOrUpgradeSchema(*db, registry.Tables(), registry.Indexes());
        session = std::make_unique<Session>(*db, registry);
        session->actor = Actor{.name = "wang", .via = "service"};
        bill = CreateBusinessObject("Test.Audited", *session);
    }
    Outcome Save(const std::string& billNo, int amount) {
        return humrs::SaveBill(*bill,
                               {InputDataset{{{"BillNo", Variant(billNo)}, {"Amount", Variant(amount)}}}});
    }
    Outcome SaveRate(const std::string& billNo, double rate) {
        return humrs::SaveBill(*bill, {InputDataset{{{"BillNo", Variant(billNo)}, {"Rate", Variant(rate)}}}});
    }
    std::vector<AuditEntry> History(const std::string& key) { return BillHistory(*db, "Test.Audited", key); }

    ClassRegistry registry{{AuditedBillClass()}};
    std::unique_ptr<TQVXComBase> bill;
};

TEST_F(AuditTrailTest, EachEntryCommitsOrRollsBackWithItsBill) {
    struct Step {
        const char* what;
        std::function<Outcome(AuditTrailTest&)> run;
        bool ok;
        int storedAmount;  // A1's amount afterwards; -1 when it is not stored
        const char* operation;
        const char* outcome;
        const char* changes;  // the entry's changes, "" for a failure
    };
    const std::vector<Step> steps = {
        {"a new bill", [](AuditTrailTest& t) { return t.Save("A1", 5); }, true, 5, "save", "accepted",
         R"([{"dataset":0,"table":"tstAudited","inserted":[{"BillNo":"A1","Amount":5}]}])"},
        {"refused after its row was written", [](AuditTrailTest& t) { return t.Save("A1", 13); }, false, 5,
         "save", "refused", ""},
        {"a change", [](AuditTrailTest& t) { return t.Save("a1", 7); }, true, 7, "save", "accepted",
         R"([{"dataset":0,"table":"tstAudited","modified":[{"key":{"BillNo":"A1"},"changed":{"Amount":[5,7]}}]}])"},
        {"a change refused by the edit check, before its transaction",
         [](AuditTrailTest& t) {
             static_cast<TAuditedBill&>(*t.bill).refuseEdit = true;
             return t.Save("A1", 9);
         },
         false, 7, "save", "refused", ""},
        {"a delete refused after the rows went",
         [](AuditTrailTest& t) {
             static_cast<TAuditedBill&>(*t.bill).refuseEdit = false;
             static_cast<TAuditedBill&>(*t.bill).refuseDelete = true;
             return t.bill->Delete(Variant("A1"));
         },
         false, 7, "delete", "refused", ""},
        {"a delete",
         [](AuditTrailTest& t) {
             static_cast<TAuditedBill&>(*t.bill).refuseDelete = false;
             return t.bill->Delete(Variant("A1"));
         },
         true, -1, "delete", "accepted",
         R"([{"dataset":0,"table":"tstAudited","deleted":[{"BillNo":"A1","Amount":7}]}])"},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.run(*this).ok, step.ok);
        const Variant amount = Value("Select Amount From tstAudited Where BillNo = 'A1'");
        EXPECT_EQ(amount.IsNullOrEmpty() ? -1 : CInt(amount), step.storedAmount);
        const auto history = History("A1");
        ASSERT_EQ(history.size(), i + 1) << "one entry per operation, accepted or not";
        const AuditEntry& e = history.back();
        EXPECT_EQ(e.operation, step.operation);
        EXPECT_EQ(e.outcome, step.outcome);
        EXPECT_EQ(e.user, "wang");
        EXPECT_EQ(e.via, "service");
        EXPECT_EQ(e.key, "A1") << "the key as stored, whatever case the client typed";
        EXPECT_EQ(e.message.empty(), step.ok);
        if (step.ok) EXPECT_EQ(nlohmann::json::parse(e.changes), nlohmann::json::parse(step.changes));
        if (i > 0) EXPECT_GT(e.number, history[i - 1].number);
    }
}

TEST_F(AuditTrailTest, ARefusedNewBillLeavesOnlyItsRefusal) {
    EXPECT_FALSE(Save("A2", 13).ok);
    EXPECT_EQ(Count("tstAudited"), 0);
    const auto history = History("A2");
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].outcome, "refused");
    EXPECT_EQ(history[0].message, "不吉利的金额");
    EXPECT_EQ(Count("sysAuditTrail Where Outcome = 'accepted'"), 0);
}

TEST_F(AuditTrailTest, WritingProceduresLeaveOneEntryWithTheirArguments) {
    ASSERT_TRUE(bill->ExecuteProc(1, Variant("P9")).ok);
    EXPECT_FALSE(bill->ExecuteProc(1, Variant("refuse")).ok);
    const auto accepted = History(ProcedureAuditKey(1, Variant("P9"), Variant()));
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(accepted[0].operation, "procedure");
    EXPECT_EQ(accepted[0].outcome, "accepted");
    const auto refused = History(ProcedureAuditKey(1, Variant("refuse"), Variant()));
    ASSERT_EQ(refused.size(), 1u) << "the refused run's accepted entry went back with its rows";
    EXPECT_EQ(refused[0].outcome, "refused");
    EXPECT_EQ(Count("tstAudited"), 1);
}

// The changes are written as JSON text straight from the rows: every value reads back
// as it was saved, whatever characters it holds.
TEST_F(AuditTrailTest, ChangesReadBackAsSavedWhateverTheirCharacters) {
    struct Case {
        const char* what;
        std::string billNo;
    };
    const Case cases[] = {
        {"quotes and backslashes", "A\"1\\b"},
        {"line breaks, a tab and a control character", "A\n2\r\t\x01"},
        {"Chinese", "请假单3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Save(c.billNo, 5).ok);
        const auto entries = History(c.billNo);
        ASSERT_EQ(entries.size(), 1u);
        const nlohmann::json changes = nlohmann::json::parse(entries[0].changes);
        EXPECT_EQ(changes.at(0).at("inserted").at(0).at("BillNo"), c.billNo);
        EXPECT_EQ(changes.at(0).at("inserted").at(0).at("Amount"), 5);
    }
}

TEST_F(AuditTrailTest, AmountsAndTheEntryTimeAreWrittenExactly) {
    // Each amount as the JSON library itself writes it: whole ones with ".0", a
    // negative zero with its sign, small ones with an exponent.
    const double rates[] = {2.0, -3.0, 0.5, 1.0 / 3, 123456789012345.0, 99999999999999.5, -0.0, 1e-7};
    const std::regex entryTime(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z)");
    for (size_t i = 0; i < std::size(rates); ++i) {
        SCOPED_TRACE(rates[i]);
        const std::string billNo = "R" + std::to_string(i);
        const std::string before = UtcDate();
        ASSERT_TRUE(SaveRate(billNo, rates[i]).ok);
        const std::string after = UtcDate();
        const auto entries = History(billNo);
        ASSERT_EQ(entries.size(), 1u);
        const std::string& changes = entries[0].changes;
        EXPECT_NE(changes.find("\"Rate\":" + nlohmann::json(rates[i]).dump() + "}"), std::string::npos) << changes;
        EXPECT_EQ(nlohmann::json::parse(changes).at(0).at("inserted").at(0).at("Rate").get<double>(), rates[i]);
        EXPECT_TRUE(std::regex_match(entries[0].when, entryTime)) << entries[0].when;
        const std::string date = entries[0].when.substr(0, 10);
        EXPECT_TRUE(date == before || date == after) << entries[0].when << " written between " << before << " and "
                                                     << after;
    }
}

}  // namespace
}  // namespace humrs
