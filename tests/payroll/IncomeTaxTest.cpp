// The income tax summary: which vouchers and allowances fall into a period given in
// salary months or in pay dates, how allowances count, and that the client's
// condition stays one condition.
#include <map>
#include <tuple>

#include "support/Fixture.h"

namespace humrs {
namespace {

constexpr const char* kIncomeTax = "QVXHumrs.IncomeTax";

class IncomeTaxTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddPerson(*db, {.personId = "P1", .onJobDate = 20040301});
        AddPerson(*db, {.personId = "P2", .onJobDate = 20030101, .leaveJobDate = 20041031});
        AddPerson(*db, {.personId = "P3", .onJobDate = 20030101});
        db->Execute(
            "Insert Into humSalaryItem (SalaryID, Propertiy, CaleType) Values "
            "('ADD', 0, 0), ('CUT', 1, 0), ('FREE', 0, 1)");
        // P1 and P2 are paid a voucher a month; only P1 and P3 have allowances.
        for (const char* person : {"P1", "P2"})
            for (int month = 1; month <= 4; ++month) AddVoucher(person, 200400 + month);
        AddAllowance(1, "A1", "P1", "ADD", 0, 50, 5, 20040215, 20040220);
        AddAllowance(4, "A2", "P3", "ADD", 0, 300, 30, 20040310, 20040405);
        AddAllowance(4, "A2", "P3", "CUT", 0, 100, 0, 20040310, 20040315);
        // Never counted: settled in a salary month, of a tax-free item, out of the period.
        AddAllowance(1, "A3", "P3", "ADD", 1, 1000, 0, 20040310, 20040315);
        AddAllowance(1, "A4", "P3", "FREE", 0, 1000, 0, 20040310, 20040315);
        AddAllowance(1, "A5", "P3", "ADD", 0, 1000, 0, 20040110, 20040115);
    }

    // Base 1000 + month, overtime 100, meal 10, no-leave 20, class 30, other 40, leave
    // deducted 5, other deducted 6, piece work 7; tax 9: taxable 1196 + month.
    void AddVoucher(const std::string& person, int yearMonth) {
        db->Execute(
            "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, SalaryYearMonth, PayDay, "
            "BaseSalary, TaxOvertime, MealSalary, NoLeaveSalary, ClassSalary, OtherTaxSalary, ExcuseSalary, "
            "OtherDeductSalary, PieceWorkSalary, IncomeTax) "
            "Values (1, ?, 0, 0, ?, ?, ?, ?, 100, 10, 20, 30, 40, 5, 6, 7, 9)",
            {Variant(person + std::to_string(yearMonth)), Variant(person), Variant(yearMonth),
             Variant(yearMonth * 100 + 25), Variant(1000 + yearMonth % 100)});
    }
    void AddAllowance(int flag, const std::string& billNo, const std::string& person, const std::string& item,
                      int salaryType, double account, double deducted, int billDate, int payDate) {
        db->Execute(
            "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, PersonID, SalaryItem, SalaryType, Account, "
            "DeductAccount, BillDate, SalaryDate) Values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {Variant(flag), Variant(billNo), Variant(static_cast<int>(Count("HumSubsidyCut")) + 1),
             Variant(person), Variant(item), Variant(salaryType), Variant(account), Variant(deducted),
             Variant(billDate), Variant(payDate)});
    }

    Outcome Summary(int mode, const std::string& condition) {
        return Object(kIncomeTax)->ExecuteProc(1, Variant(mode), Variant(condition));
    }
    // Result set `i` as person -> the values of its other columns, in column order.
    static std::map<std::string, std::vector<double>> Set(const Outcome& out, size_t i) {
        std::map<std::string, std::vector<double>> rows;
        if (out.result.ArrayLength() != 2) return rows;
        Dataset ds = Dataset::FromPacket(out.result.AsArray()[i]);
        for (ds.First(); !ds.Eof(); ds.Next())
            for (size_t f = 1; f < ds.FieldCount(); ++f)
                rows[CStr(ds["PersonID"])].push_back(CFloat(ds[ds.Field(f).name]));
        return rows;
    }
};

using Sets = std::map<std::string, std::vector<double>>;

TEST_F(IncomeTaxTest, APeriodSelectsVouchersAndAllowancesByMonthOrByPayDate) {
    const std::vector<std::tuple<const char*, int, std::string, Sets, Sets>> cases = {
        {"salary months: allowances by the month of their bill date",
         0,
         "SalaryYearMonth >= 200402 And SalaryYearMonth <= 200403",
         {{"P1", {200402, 200403, 2 * 1196 + 2 + 3, 18}}, {"P2", {200402, 200403, 2 * 1196 + 2 + 3, 18}}},
         {{"P1", {50, 5}}, {"P3", {200, 30}}}},
        {"pay dates: allowances by their pay date",
         1,
         "PayDay Between 20040226 And 20040331",
         {{"P1", {200403, 200403, 1196 + 3, 9}}, {"P2", {200403, 200403, 1196 + 3, 9}}},
         {{"P3", {-100, 0}}}},
        {"an empty period", 0, "SalaryYearMonth = 200501", {}, {}},
    };
    for (const auto& [what, mode, condition, salary, allowances] : cases) {
        Outcome out = Summary(mode, condition);
        ASSERT_TRUE(out.ok) << what << ": " << out.error;
        EXPECT_EQ(Set(out, 0), salary) << what;
        EXPECT_EQ(Set(out, 1), allowances) << what;
    }
}

TEST_F(IncomeTaxTest, MoneySumsComeBackAsExactMoney) {
    // May 2004: P3's vouchers of tax 0.1 and 0.2, base 1.0 and 0.7 less 0.7 and 0.7
    // deducted; allowances of 0.1 and 0.2 with 0.1 and 0.2 deducted.
    for (const auto& [billNo, base, tax] : {std::tuple{"V1", 1.0, 0.1}, std::tuple{"V2", 0.7, 0.2}})
        db->Execute(
            "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, SalaryYearMonth, PayDay, "
            "BaseSalary, TaxOvertime, MealSalary, NoLeaveSalary, ClassSalary, OtherTaxSalary, ExcuseSalary, "
            "OtherDeductSalary, PieceWorkSalary, IncomeTax) Values (1, ?, 0, 0, 'P3', 200405, 20040525, ?, 0, 0, 0, "
            "0, 0, 0.7, 0, 0, ?)",
            {Variant(billNo), Variant(base), Variant(tax)});
    AddAllowance(1, "A6", "P3", "ADD", 0, 0.1, 0.1, 20040510, 20040515);
    AddAllowance(4, "A7", "P3", "ADD", 0, 0.2, 0.2, 20040510, 20040515);
    Outcome out = Summary(0, "SalaryYearMonth = 200405");
    ASSERT_TRUE(out.ok) << out.error;
    // (result set, column, amount)
    const std::vector<std::tuple<size_t, const char*, double>> cases = {
        {0, "TaxSalary", 0.3}, {0, "IncomeTax", 0.3}, {1, "TotalSidySalary", 0.3}, {1, "TotalDeductAccount", 0.3}};
    for (const auto& [set, column, amount] : cases) {
        Dataset rows = Dataset::FromPacket(out.result.AsArray()[set]);
        ASSERT_TRUE(rows.Locate("PersonID", {Variant("P3")})) << column;
        EXPECT_EQ(rows[column].Type(), VarType::Currency) << column;
        EXPECT_EQ(CFloat(rows[column]), amount) << column;
    }
}

TEST_F(IncomeTaxTest, TheConditionIsRewrittenOnlyForItsModeAndStaysOneStatement) {
    // A salary month left in a pay-date condition is not an allowance column.
    EXPECT_FALSE(Summary(1, "PayDay >= 20040101 And SalaryYearMonth <= 200403").ok);
    for (const char* smuggled :
         {"1 = 1; Delete From comPerson", "1 = 1 Group By PersonID; Delete From comPerson --"}) {
        EXPECT_FALSE(Summary(0, smuggled).ok) << smuggled;
        EXPECT_EQ(Count("comPerson"), 3) << smuggled;
    }
}

TEST_F(IncomeTaxTest, ThePersonRangeCoversThoseOnTheJob) {
    auto object = Object(kIncomeTax);
    Outcome some = object->ExecuteProc(0, Variant(VariantArray{20041101, 20041231}));
    ASSERT_TRUE(some.ok) << some.error;
    ASSERT_EQ(some.result.ArrayLength(), 2u);
    EXPECT_EQ(CStr(some.result.AsArray()[0]), "P1");
    EXPECT_EQ(CStr(some.result.AsArray()[1]), "P3");
    Outcome nobody = object->ExecuteProc(0, Variant(VariantArray{20000101, 20001231}));
    ASSERT_TRUE(nobody.ok) << nobody.error;
    EXPECT_TRUE(nobody.result.IsEmpty());
}

}  // namespace
}  // namespace humrs
