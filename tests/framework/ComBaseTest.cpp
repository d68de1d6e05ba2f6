// The framework's client operations on a small bill kept in test tables: the order
// of the hooks, what a refusal undoes, the change set a save hands to posting, and
// procedures of another object running inside the caller's transaction.
#include <gtest/gtest.h>

#include "db/Database.h"
#include "support/TestDatabase.h"
#include "framework/ComBase.h"
#include "framework/Messages.h"
#include "core/Convert.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

std::vector<std::string>* g_calls = nullptr;
void Note(const std::string& s) {
    if (g_calls) g_calls->push_back(s);
}

// The refusals of the test bill.
constexpr Message kRefusedIn{"RefusedIn", "拒绝: %s"};
constexpr Message kNoDelete{"NoDelete", "不允许删除"};
constexpr Message kCallerRefuses{"CallerRefuses", "callee wrote, caller refuses"};
constexpr Message kRefusedInTwo{"RefusedInTwo", "拒绝: %s %s"};

// A header-and-body bill: tstHead (BillNo) with rows in tstBody (BillNo, RowNo).
class TTestBill : public TQVXComBase {
public:
    std::string refuseIn;  // hook that refuses, if any

    void BeforeUpdate() override {
        Note("BeforeUpdate rows=" + CStr(GetDBConn().DBSelectSQL("Select Count(*) From tstBody")));
        GetDBConn().DBExecSQL("Insert Into tstLog (Msg) Values ('before')");
        if (!GetDatasets(1).IsEmpty()) memoSeenByChecks = CStr(GetDatasets(1)["Memo"]);
        if (refuseIn == "BeforeUpdate") MakeException(kRefusedIn, {Variant("before")});
    }
    void AfterUpdate() override {
        Note("AfterUpdate rows=" + CStr(GetDBConn().DBSelectSQL("Select Count(*) From tstBody")) +
             " mode=" + std::to_string(SaveMode()));
        AddMessage("posted", 1, 0);
        lastDelta = GetDeltaDatasets(1);
        if (refuseIn == "AfterUpdate") MakeException(kRefusedIn, {Variant("after")});
    }
    void BeforeDelete() override { Note("BeforeDelete"); }
    bool refuseDelete = false;
    void AfterDelete() override {
        Note("AfterDelete rows=" + CStr(GetDBConn().DBSelectSQL("Select Count(*) From tstBody")));
        lastDelta = GetDeltaDatasets(1);
        if (refuseDelete) MakeException(kNoDelete);
    }
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant&, Variant& result) override {
        if (procNo == 1) {
            GetDBConn().DBExecSQL("Insert Into tstLog (Msg) Values (" + QuoteStr(CStr(arg1)) + ")");
            result = Variant(true);
        } else if (procNo == 2) {
            // Calls procedure 1 of another object by a differently spelled ProgID.
            result = DoCOMMethod("TEST.bill", ContextNumber(), 1, arg1);
            if (CStr(arg1) == "fail") MakeException(kCallerRefuses);
        } else if (procNo == 3) {
            MakeException(kRefusedInTwo, {arg1});  // one value short
        }
    }
    // Every body row's Memo follows its quantity, as a bill fills a total from its
    // amounts when the client changes them.
    void AfterChangeData(int datasetIndex) override {
        changedDatasets.push_back(datasetIndex);
        if (!deriveMemo) return;
        Dataset& rows = GetDatasets(1);
        for (rows.First(); !rows.Eof(); rows.Next()) {
            rows.SetFieldValue("Memo", Variant("qty " + CStr(rows["Qty"])));
            rows.Post();
        }
    }
    bool voucherLeftToFramework = true;
    bool BeforeCheckVoucherNo() override { return voucherLeftToFramework; }
    Variant lastDelta;
    std::vector<int> changedDatasets;
    bool deriveMemo = false;
    std::string memoSeenByChecks;
};

ClassDescriptor TestBillClass() {
    ClassDescriptor d;
    d.progId = "Test.Bill";
    d.keyColumn = "BillNo";
    d.datasets = {DatasetMap{"tstHead", {"BillNo"}, 7, false, -1, {}, ""},
                  DatasetMap{"tstBody", {"BillNo", "RowNo"}, 7, false, 0, {{"BillNo", "BillNo"}}, "RowNo"},
                  DatasetMap{"tstSub",
                             {"BillNo", "ParentRowNo", "RowNo"},
                             std::nullopt,
                             false,
                             1,
                             {{"BillNo", "BillNo"}, {"ParentRowNo", "RowNo"}},
                             "ParentRowNo, RowNo"}};
    d.voucherField = "VoucherNo";
    d.create = [] { return std::make_unique<TTestBill>(); };
    return d;
}

class ComBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
        // Columns that hold Null when written Null; keys compared without regard to case.
        const std::string key = db->Kind() == Backend::PostgreSQL ? "citext" : "Text Collate NoCase";
        db->Execute("Create Table tstHead (Flag Integer Default 0, BillNo " + key + ", BillDate Integer Default 0, Memo Text Default '', VoucherNo Text Default '')");
        db->Execute("Create Table tstBody (Flag Integer Default 0, BillNo " + key + ", RowNo Integer, Qty Float Default 0, Memo Text Default '')");
        db->Execute("Create Table tstSub (BillNo Text, ParentRowNo Integer, RowNo Integer, Amount Float Default 0)");
        db->Execute("Create Table tstLog (Msg Text)");
        registry = std::make_unique<ClassRegistry>(std::vector<ClassDescriptor>{TestBillClass()});
        session = std::make_unique<Session>(*db, *registry);
        g_calls = &calls;
    }
    void TearDown() override { g_calls = nullptr; }

    std::unique_ptr<TTestBill> NewBill() {
        auto obj = CreateBusinessObject("test.BILL", *session);
        return std::unique_ptr<TTestBill>(static_cast<TTestBill*>(obj.release()));
    }
    using Rows = std::vector<std::vector<std::pair<std::string, Variant>>>;
    void Fill(TTestBill& bill, const std::string& billNo, const Rows& body) {
        bill.MergeInput(0, {{{"BillNo", Variant(billNo)}, {"BillDate", Variant(20050115)}}});
        bill.MergeInput(1, body);
    }
    Variant GetDBConnValue(const std::string& sql) { return (*db->QueryFirst(sql))[0]; }
    int64_t Count(const std::string& table) { return CInt((*db->QueryFirst("Select Count(*) From " + table))[0]); }

    std::unique_ptr<Database> db;
    std::unique_ptr<ClassRegistry> registry;
    std::unique_ptr<Session> session;
    std::vector<std::string> calls;
};

TEST_F(ComBaseTest, SaveCallsBeforeUpdateThenWritesRowsThenAfterUpdate) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}, {"Qty", 2.5}}, {{"RowNo", 2}, {"Qty", 1}}});
    Outcome out = bill->Save();
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(calls, (std::vector<std::string>{"BeforeUpdate rows=0", "AfterUpdate rows=2 mode=1"}));
    // The framework filled the bill kind and the header's number on every body row.
    auto rows = db->Query("Select Flag, BillNo, RowNo, Qty From tstBody Order By RowNo");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(CInt(rows.rows[0][0]), 7);
    EXPECT_EQ(CStr(rows.rows[1][1]), "B1");
    EXPECT_DOUBLE_EQ(CFloat(rows.rows[0][3]), 2.5);
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "posted");
}

TEST_F(ComBaseTest, StoredBillIsSavedAgainInModeTwo) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}, {"Qty", 2}}});
    ASSERT_TRUE(bill->Save().ok);
    calls.clear();
    auto again = NewBill();
    ASSERT_TRUE(again->Open(Variant("B1")).ok);
    Fill(*again, "B1", {{{"RowNo", 1}, {"Qty", 3}}});
    ASSERT_TRUE(again->Save().ok);
    EXPECT_EQ(calls.back(), "AfterUpdate rows=1 mode=2");
    EXPECT_EQ(Count("tstBody"), 1);
}

TEST_F(ComBaseTest, ChangedDatasetsGoThroughAfterChangeDataBeforeTheChecks) {
    auto stored = NewBill();
    stored->deriveMemo = true;
    Fill(*stored, "B1", {{{"RowNo", 1}, {"Qty", 2}}, {{"RowNo", 2}, {"Qty", 3}}});
    ASSERT_TRUE(stored->Save().ok);
    EXPECT_EQ(stored->changedDatasets, (std::vector<int>{0, 1}));
    struct Case {
        const char* what;
        std::optional<Rows> header, body;
        std::vector<int> called;
        const char* memoOfRow1;
    } cases[] = {
        {"nothing changed", std::nullopt, std::nullopt, {}, "qty 2"},
        {"the header only", Rows{{{"BillNo", "B1"}, {"Memo", "new"}}}, std::nullopt, {0}, "qty 2"},
        {"a row's quantity", std::nullopt, Rows{{{"RowNo", 1}, {"Qty", 5}}, {{"RowNo", 2}, {"Qty", 3}}}, {1}, "qty 5"},
        {"a row removed", std::nullopt, Rows{{{"RowNo", 1}, {"Qty", 5}}}, {1}, "qty 5"},
    };
    for (const Case& c : cases) {
        auto bill = NewBill();
        bill->deriveMemo = true;
        ASSERT_TRUE(bill->Edit(Variant("B1")).ok);
        if (c.header) bill->MergeInput(0, *c.header);
        if (c.body) bill->MergeInput(1, *c.body);
        Outcome out = bill->Save();
        ASSERT_TRUE(out.ok) << c.what << ": " << out.error;
        EXPECT_EQ(bill->changedDatasets, c.called) << c.what;
        EXPECT_EQ(CStr(GetDBConnValue("Select Memo From tstBody Where RowNo = 1")), c.memoOfRow1) << c.what;
    }
    // The hook runs before the checks: what it filled in is what BeforeUpdate sees, and
    // a refused save takes it back.
    auto refused = NewBill();
    refused->refuseIn = "BeforeUpdate";
    refused->deriveMemo = true;
    ASSERT_TRUE(refused->Edit(Variant("B1")).ok);
    refused->MergeInput(1, {{{"RowNo", 1}, {"Qty", 9}}});
    EXPECT_FALSE(refused->Save().ok);
    EXPECT_EQ(refused->changedDatasets, (std::vector<int>{1}));
    EXPECT_EQ(refused->memoSeenByChecks, "qty 9");
    refused->GetDatasets(1).First();
    EXPECT_EQ(CStr(refused->GetDatasets(1)["Memo"]), "qty 5");
}

TEST_F(ComBaseTest, TheFrameworkGuardsTheVoucherNumberUnlessTheClassDoesItself) {
    struct Case {
        bool leftToFramework;
        const char* stored;
        bool editRefused, deleteRefused;
    } cases[] = {
        {true, "V1", true, true},
        {false, "V1", false, false},  // the class's own hooks decide
        {true, "", false, false},
    };
    for (const Case& c : cases) {
        auto bill = NewBill();
        Fill(*bill, "B1", {{{"RowNo", 1}}});
        ASSERT_TRUE(bill->Save().ok);
        db->Execute("Update tstHead Set VoucherNo = ?", {Variant(c.stored)});
        auto editor = NewBill();
        editor->voucherLeftToFramework = c.leftToFramework;
        const Outcome edit = editor->Edit(Variant("B1"));
        EXPECT_EQ(!edit.ok, c.editRefused) << c.stored << " " << c.leftToFramework;
        if (c.editRefused) EXPECT_TRUE(Refused(edit, msg::kVoucherNoEdit, {Variant(c.stored)}));
        auto deleter = NewBill();
        deleter->voucherLeftToFramework = c.leftToFramework;
        const Outcome del = deleter->Delete(Variant("B1"));
        EXPECT_EQ(!del.ok, c.deleteRefused) << c.stored << " " << c.leftToFramework;
        if (c.deleteRefused) EXPECT_TRUE(Refused(del, msg::kVoucherNoDelete, {Variant(c.stored)}));
        db->Execute("Delete From tstBody");
        db->Execute("Delete From tstHead");
    }
    // A save keeps the stored voucher number: it belongs to the posting side.
    auto bill = NewBill();
    Fill(*bill, "B2", {{{"RowNo", 1}}});
    bill->MergeInput(0, {{{"BillNo", "B2"}, {"VoucherNo", "V9"}}});
    ASSERT_TRUE(bill->Save().ok);
    EXPECT_EQ(CStr(GetDBConnValue("Select VoucherNo From tstHead Where BillNo = 'B2'")), "");
}

TEST_F(ComBaseTest, RefusalInAfterUpdateRollsBackRowsAndHookStatementsButKeepsNotices) {
    auto bill = NewBill();
    bill->refuseIn = "AfterUpdate";
    Fill(*bill, "B1", {{{"RowNo", 1}, {"Qty", 2}}});
    Outcome out = bill->Save();
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.failure, Outcome::Kind::Refused);
    EXPECT_TRUE(Refused(out, kRefusedIn, {Variant("after")}));
    EXPECT_EQ(Count("tstHead"), 0);
    EXPECT_EQ(Count("tstBody"), 0);
    EXPECT_EQ(Count("tstLog"), 0);  // BeforeUpdate's own insert went too
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "posted");
    // The bill is still in hand: fixing the cause and saving again works.
    bill->refuseIn.clear();
    EXPECT_TRUE(bill->Save().ok);
    EXPECT_EQ(Count("tstBody"), 1);
}

TEST_F(ComBaseTest, RefusalInBeforeUpdateWritesNothing) {
    auto bill = NewBill();
    bill->refuseIn = "BeforeUpdate";
    Fill(*bill, "B1", {{{"RowNo", 1}}});
    Outcome out = bill->Save();
    EXPECT_TRUE(Refused(out, kRefusedIn, {Variant("before")}));
    EXPECT_EQ(calls.size(), 1u);  // AfterUpdate never ran
    EXPECT_EQ(Count("tstHead") + Count("tstLog"), 0);
}

TEST_F(ComBaseTest, ModifiedRowTravelsAsStoredRowFollowedByChangedFieldsOnly) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}, {"Qty", 2}, {"Memo", "a"}}, {{"RowNo", 2}, {"Qty", 5}}});
    ASSERT_TRUE(bill->Save().ok);

    auto again = NewBill();
    ASSERT_TRUE(again->Open(Variant("B1")).ok);
    // Row 1 changes its quantity, row 2 is left out (deleted), row 3 is new.
    Fill(*again, "B1", {{{"RowNo", 1}, {"Qty", 4}}, {{"RowNo", 3}, {"Qty", 1}}});
    ASSERT_TRUE(again->Save().ok);

    const DataPacket& p = *again->lastDelta.AsPacket();
    int qty = p.FieldIndex("Qty"), memo = p.FieldIndex("Memo"), rowNo = p.FieldIndex("RowNo");
    ASSERT_EQ(p.rows.size(), 4u);
    EXPECT_EQ(p.rows[0].status, UpdateStatus::Unmodified);
    EXPECT_DOUBLE_EQ(CFloat(p.rows[0].values[qty]), 2);
    EXPECT_EQ(CStr(p.rows[0].values[memo]), "a");
    EXPECT_EQ(p.rows[1].status, UpdateStatus::Modified);
    EXPECT_DOUBLE_EQ(CFloat(p.rows[1].values[qty]), 4);
    EXPECT_TRUE(p.rows[1].values[memo].IsEmpty());  // unchanged: unassigned
    EXPECT_TRUE(p.rows[1].values[rowNo].IsEmpty());
    EXPECT_EQ(p.rows[2].status, UpdateStatus::Deleted);
    EXPECT_EQ(CInt(p.rows[2].values[rowNo]), 2);
    EXPECT_EQ(p.rows[3].status, UpdateStatus::Inserted);

    DeltaDataset d(again->lastDelta);
    d.First();
    EXPECT_EQ(d.Status(), UpdateStatus::Modified);
    EXPECT_DOUBLE_EQ(CFloat(d.RealFieldValue("Qty")), 4);
    EXPECT_EQ(CStr(d.RealFieldValue("Memo")), "a");
    EXPECT_DOUBLE_EQ(CFloat(d.OldValue("qty")), 2);
    EXPECT_EQ(Count("tstBody"), 2);
}

TEST_F(ComBaseTest, DeleteRunsHooksAroundTheRowDeletesAndListsRowsAsDeleted) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}}, {{"RowNo", 2}}});
    ASSERT_TRUE(bill->Save().ok);
    calls.clear();
    Outcome out = NewBill()->Delete(Variant("B1"));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(calls, (std::vector<std::string>{"BeforeDelete", "AfterDelete rows=0"}));
    EXPECT_EQ(Count("tstHead"), 0);
}

TEST_F(ComBaseTest, UnknownKeyIsBadInputNotARefusal) {
    Outcome out = NewBill()->Delete(Variant("NOPE"));
    EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
    EXPECT_NE(out.error.find("NOPE"), std::string::npos);
}

TEST_F(ComBaseTest, InputWithUnknownFieldOrWrongTypeIsRefusedBeforeAnythingChanges) {
    auto bill = NewBill();
    EXPECT_THROW(bill->MergeInput(0, {{{"NoSuchField", 1}}}), InputError);
    EXPECT_THROW(bill->MergeInput(1, {{{"RowNo", 1}, {"Qty", "lots"}}}), InputError);
    EXPECT_TRUE(bill->GetDatasets(1).IsEmpty());
}

TEST_F(ComBaseTest, CalleeRunsInsideCallersTransaction) {
    auto bill = NewBill();
    Outcome ok = bill->ExecuteProc(2, Variant("kept"));
    ASSERT_TRUE(ok.ok) << ok.error;
    EXPECT_TRUE(CBool(ok.result));
    EXPECT_EQ(Count("tstLog"), 1);

    // The callee's insert is undone with the caller's refusal.
    Outcome refused = bill->ExecuteProc(2, Variant("fail"));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(Refused(refused, kCallerRefuses));
    EXPECT_EQ(Count("tstLog"), 1);
}

TEST_F(ComBaseTest, UnknownProgIdIsBadInput) {
    EXPECT_THROW(CreateBusinessObject("QVXHumrs.NoSuchThing", *session), InputError);
}

TEST_F(ComBaseTest, NewBillWithoutNumberGetsNextNumberOfTheServerDate) {
    session->serverDate = 20050115;
    auto a = NewBill();
    a->MergeInput(0, {{{"BillDate", 20050115}}});
    ASSERT_TRUE(a->Save().ok);
    auto b = NewBill();
    b->MergeInput(0, {{{"BillDate", 20050115}}});
    ASSERT_TRUE(b->Save().ok);
    auto rows = db->Query("Select BillNo From tstHead Order By BillNo");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(CStr(rows.rows[0][0]), "200501150001");
    EXPECT_EQ(CStr(rows.rows[1][0]), "200501150002");
}

TEST_F(ComBaseTest, ParametersReadAsTextAndUnsetAsEmpty) {
    db->Execute("Insert Into comSysParam (ParamKey, ParamValue) Values ('HumMakeUpRestTerm', '3')");
    auto bill = NewBill();
    EXPECT_EQ(CInt(bill->GetParam("HumMakeUpRestTerm")), 3);
    EXPECT_EQ(CStr(bill->GetParam("Unset")), "");
    session->localType = 1;
    EXPECT_EQ(bill->GetLocalType(), 1);
}

// ---- what a client may send, and what it must not be able to do

TEST_F(ComBaseTest, ABillHasOneHeaderRow) {
    auto bill = NewBill();
    EXPECT_THROW(bill->MergeInput(0, {{{"BillNo", "B1"}}, {{"BillNo", "B2"}}}), InputError);
}

TEST_F(ComBaseTest, BodyRowsWithoutNumberAreNumberedAndDuplicateKeysRefused) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 5}, {"Qty", 1}}, {{"Qty", 2}}, {{"Qty", 3}}});
    ASSERT_TRUE(bill->Save().ok);
    auto rows = db->Query("Select RowNo From tstBody Order By RowNo");
    ASSERT_EQ(rows.rows.size(), 3u);
    EXPECT_EQ(CInt(rows.rows[2][0]), 7);
    EXPECT_THROW(NewBill()->MergeInput(1, {{{"RowNo", 1}}, {{"RowNo", 1}}}), InputError);
}

TEST_F(ComBaseTest, KeyInOtherLetterCaseFindsTheBillWithoutRenamingIt) {
    auto bill = NewBill();
    Fill(*bill, "AB1", {{{"RowNo", 1}}});
    ASSERT_TRUE(bill->Save().ok);
    auto again = NewBill();
    ASSERT_TRUE(again->Open(Variant("ab1")).ok);
    again->MergeInput(0, {{{"BillNo", "ab1"}, {"Memo", "x"}}});
    ASSERT_TRUE(again->Save().ok);
    EXPECT_EQ(CStr((*db->QueryFirst("Select BillNo || Memo From tstHead"))[0]), "AB1x");
    EXPECT_EQ(Count("tstBody"), 1);
}

TEST_F(ComBaseTest, ClearingAFieldIsWritten) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}, {"Memo", "hello"}}});
    ASSERT_TRUE(bill->Save().ok);
    auto again = NewBill();
    ASSERT_TRUE(again->Open(Variant("B1")).ok);
    Fill(*again, "B1", {{{"RowNo", 1}, {"Memo", Variant::Null()}}});
    ASSERT_TRUE(again->Save().ok);
    EXPECT_TRUE((*db->QueryFirst("Select Memo From tstBody"))[0].IsNull());
    DeltaDataset d(again->lastDelta);
    d.First();
    EXPECT_TRUE(d.Changed("Memo"));
    EXPECT_FALSE(d.Changed("Qty"));
}

TEST_F(ComBaseTest, OutOfRangeNumbersAreBadInputNotWrappedValues) {
    auto bill = NewBill();
    EXPECT_THROW(bill->MergeInput(0, {{{"BillDate", 1e19}}}), InputError);
    EXPECT_THROW(bill->MergeInput(1, {{{"RowNo", 1}, {"Qty", 1e300}}}), InputError);
    EXPECT_EQ(CInt(Variant(1e300)), std::numeric_limits<int64_t>::max());
}

TEST_F(ComBaseTest, RowsUnderADeletedBodyRowGoWithIt) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}}, {{"RowNo", 2}}});
    bill->MergeInput(2, {{{"ParentRowNo", 1}, {"RowNo", 1}}, {{"ParentRowNo", 2}, {"RowNo", 1}}});
    ASSERT_TRUE(bill->Save().ok);
    EXPECT_EQ(Count("tstSub"), 2);

    auto again = NewBill();
    ASSERT_TRUE(again->Open(Variant("B1")).ok);
    again->MergeInput(1, {{{"RowNo", 1}}});  // row 2 goes; dataset 2 is left as stored
    ASSERT_TRUE(again->Save().ok);
    EXPECT_EQ(Count("tstSub Where ParentRowNo = 2"), 0);
    EXPECT_EQ(Count("tstSub"), 1);

    auto orphan = NewBill();
    ASSERT_TRUE(orphan->Open(Variant("B1")).ok);
    orphan->MergeInput(2, {{{"ParentRowNo", 1}, {"RowNo", 1}}, {{"ParentRowNo", 9}, {"RowNo", 1}}});
    Outcome out = orphan->Save();
    EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
    EXPECT_NE(out.error.find("ParentRowNo 9"), std::string::npos) << out.error;
}

TEST_F(ComBaseTest, RefusedDeleteLeavesTheBillInHand) {
    auto bill = NewBill();
    Fill(*bill, "B1", {{{"RowNo", 1}}});
    ASSERT_TRUE(bill->Save().ok);
    bill->refuseDelete = true;
    EXPECT_TRUE(Refused(bill->Delete(Variant("B1")), kNoDelete));
    ASSERT_TRUE(bill->Save().ok);  // saves the bill as it was, deletes nothing
    EXPECT_EQ(Count("tstHead"), 1);
    EXPECT_EQ(Count("tstBody"), 1);
}

TEST_F(ComBaseTest, BillNumbersCountOnPastFourDigitsAndAcrossBillKinds) {
    session->serverDate = 20050115;
    db->Execute("Insert Into tstHead (Flag, BillNo) Values (7, '200501159999')");
    db->Execute("Insert Into tstBody (Flag, BillNo, RowNo) Values (3, '2005011510000', 1)");  // another kind
    db->Execute("Insert Into tstHead (Flag, BillNo) Values (7, '20050115ABCD')");
    EXPECT_EQ(CStr(NewBill()->GetMaxID(1, "20050115")[0]), "2005011510001");
}

}  // namespace
}  // namespace humrs

namespace humrs {
namespace {

// A refusal built with fewer values than its message takes is a fault of the
// program, reported as such (exit 4), never as a refusal with holes or a database
// failure.
TEST_F(ComBaseTest, MessageGivenTheWrongNumberOfValuesIsAnInternalError) {
    const Outcome out = NewBill()->ExecuteProc(3, Variant("x"));
    EXPECT_EQ(out.failure, Outcome::Kind::Internal);
    EXPECT_EQ(ExitCodeOf(out), kInternalError);
    EXPECT_NE(out.error.find("takes 2 values, 1 were given"), std::string::npos) << out.error;
}

}  // namespace
}  // namespace humrs
