// The system parameters as the classes and the suite's objects read them: flags in
// every stored form of true and false, one default per key whoever reads it, and a
// bad value that stops only the rules needing it.
#include "support/Fixture.h"
#include "suite/SysParams.h"

namespace humrs {
namespace {

class SysParamsTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddDepartment(*db, "D1", "生产部");
        AddPerson(*db, {.personId = "P1", .departId = "D1", .onJobDate = 20000310});
        AddLeaveCategory(*db, {.excuseClsId = "TX", .excuseCls = leave_kind::kSpecialAnnual, .unitName = 1});
        AddSpecialLeave(*db, 1, 3);
        db->Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary) Values (1, 'P1', 3000)");
        db->Execute(
            "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
            "TotalCount, RedeemType) Values (1, 'O1', 0, 'P1', 20050105, 1800, 2000, 2, 2, 0)");
    }
    static bool BadInputNaming(const Outcome& out, const std::string& key) {
        return !out.ok && out.failure == Outcome::Kind::BadInput && out.error.find(key) != std::string::npos;
    }
    // Special leave left to P1 on 20050601, in hours (3 days of seniority 1).
    Outcome SpecialLeaveHours() {
        return Object("QVXHumrs.Excuse")->ExecuteProc(6, Variant(VariantArray{"P1", 20050601, "", "", 1, 5}));
    }
    // The suite's hourly rate of P1 in January 2005 (it prices P1's overtime).
    Outcome HourRate() {
        return Object("QVXHumrs.Reset")->ExecuteProc(7, Variant(VariantArray{"P1", "200501"}), Variant(""));
    }
    static double RateOf(const Outcome& out) {
        Dataset hours = Dataset::FromPacket(out.result[1]);
        return CFloat(hours["HourRate"]);
    }
};

TEST_F(SysParamsTest, FlagsReadEveryStoredFormOfTrueAndFalse) {
    struct Case {
        const char* stored;
        bool expected;
        bool bad = false;
    } cases[] = {
        {"-1", true}, {"1", true}, {"2", true}, {" TRUE ", true}, {"0.5", true},
        {"0", false}, {"false", false}, {"0.0", false}, {"", false},
        {"yes", false, true}, {"on", false, true},
    };
    const Param<bool> flag{"AllowAffairLeaveYear", false};
    for (const Case& c : cases) {
        SetParam(*db, std::string(flag.key), c.stored);
        auto object = Object("QVXHumrs.Excuse");
        const ParamReader reader(*object);
        if (c.bad) {
            EXPECT_THROW(reader.Get(flag), InputError) << c.stored;
        } else {
            EXPECT_EQ(reader.Get(flag), c.expected) << c.stored;
        }
    }
}

// An object's rules ask for the parameters many times in one save; they are read
// once, yet a change written before the next ask is always seen.
TEST_F(SysParamsTest, AnObjectReadsTheParametersOncePerTransactionAndAgainAfterAnyWrite) {
    const Param<int> cap{"HumMaxPrivateExCount", 0};
    SetParam(*db, std::string(cap.key), "5");
    auto object = Object("QVXHumrs.Excuse");
    db->BeginWrite();
    const auto first = object->Params();
    EXPECT_EQ(first->Get(cap), 5);
    EXPECT_EQ(object->Params(), first) << "read again though the transaction wrote nothing";
    SetParam(*db, std::string(cap.key), "7");
    EXPECT_EQ(object->Params()->Get(cap), 7) << "the transaction's own write";
    db->Commit();
    SetParam(*db, std::string(cap.key), "9");
    EXPECT_EQ(object->Params()->Get(cap), 9) << "written outside a transaction";
    db->BeginWrite();
    EXPECT_EQ(object->Params()->Get(cap), 9);
    db->Commit();
    db->BeginWrite();
    db->Execute("Update comSysParam Set ParamValue = '11' Where ParamKey = ?", {std::string(cap.key)});
    db->Commit();
    db->BeginWrite();
    EXPECT_EQ(object->Params()->Get(cap), 11) << "written in the transaction before";
    db->Commit();
}

TEST_F(SysParamsTest, AnAdvancePaymentStartsFromTheStoredFlagAndReadsTheRateOnlyWhenItIsUsed) {
    struct Case {
        const char* byPercent;
        const char* rate;
        bool ok;
        bool percent;
    } cases[] = {
        {"-1", "45.5", true, true},
        {"0", "junk", true, false},  // the rate is not used
        {"-1", "junk", false, true},
    };
    for (const Case& c : cases) {
        SetParam(*db, "HumAdvCaclWithRate", c.byPercent);
        SetParam(*db, "HumAdvCWithRPercent", c.rate);
        auto bill = Object("QVXHumrs.AdvPayment");
        const Outcome out = bill->AddNew();
        if (!c.ok) {
            EXPECT_TRUE(BadInputNaming(out, "HumAdvCWithRPercent")) << out.error;
            continue;
        }
        ASSERT_TRUE(out.ok) << c.byPercent << "/" << c.rate << ": " << out.error;
        EXPECT_EQ(CBool(bill->GetDatasets(0)["CaclByPercent"]), c.percent);
    }
}

TEST_F(SysParamsTest, ALeaveRuleIsNotStoppedByAParameterItDoesNotUse) {
    SetParam(*db, "HumMaxPrivateExCount", "many");  // the cap of a cap switched off
    SetParam(*db, "HumSpecialsCaleType", "hire");   // the year of special leave
    Outcome personal =
        Object("QVXHumrs.Excuse")->ExecuteProc(6, Variant(VariantArray{"P1", 20050601, "", "", 1, 0}));
    ASSERT_TRUE(personal.ok) << personal.error;
    EXPECT_DOUBLE_EQ(CFloat(personal.result), -1);
    EXPECT_TRUE(BadInputNaming(SpecialLeaveHours(), "HumSpecialsCaleType"));
}

TEST_F(SysParamsTest, TheHoursOfAWorkingDayHaveOneDefaultForLeaveAndPay) {
    struct Case {
        const char* stored;
        double leaveHours;  // -1: refused naming the key
        double hourRate;    // -1: refused naming the key
    } cases[] = {
        {"", 0, -1},  // unset: no hours of a day, so no hourly rate
        {"8", 24, 12.5},
        {"7.5", 22.5, 3000.0 / 225},
        {"eight", -1, -1},
        {"0", 0, -1},
    };
    for (const Case& c : cases) {
        SetParam(*db, "HumSpecialsDayHours", c.stored);
        const Outcome leave = SpecialLeaveHours();
        const Outcome pay = HourRate();
        if (c.leaveHours < 0) {
            EXPECT_TRUE(BadInputNaming(leave, "HumSpecialsDayHours")) << c.stored << ": " << leave.error;
        } else {
            ASSERT_TRUE(leave.ok) << c.stored << ": " << leave.error;
            EXPECT_DOUBLE_EQ(CFloat(leave.result), c.leaveHours) << c.stored;
        }
        if (c.hourRate < 0) {
            EXPECT_TRUE(BadInputNaming(pay, "HumSpecialsDayHours")) << c.stored << ": " << pay.error;
        } else {
            ASSERT_TRUE(pay.ok) << c.stored << ": " << pay.error;
            EXPECT_DOUBLE_EQ(RateOf(pay), c.hourRate) << c.stored;
        }
    }
    // The hours of a salary month, when set, price the hours without the hours of a day.
    SetParam(*db, "HumSpecialsDayHours", "");
    SetParam(*db, "HumMonthWorkHours", "200");
    ASSERT_TRUE(HourRate().ok);
    EXPECT_DOUBLE_EQ(RateOf(HourRate()), 15);
}

}  // namespace
}  // namespace humrs
