// The monthly pay statement: which rows of each payroll source belong to a person's
// month, their line numbers, the totals, the leave deduction from the leave rates and
// the salary period's edges.
#include <optional>
#include <regex>

#include "cli/PayStatementText.h"
#include "payroll/CoHumMonthSalaryQuery.h"
#include "suite/CoReset.h"
#include "support/Fixture.h"

namespace humrs {
namespace {

namespace ps = pay_statement;
constexpr const char* kQuery = "QVXHumrs.HumMonthSalaryQuery";

// The suite's figures, with leave rates of the test's choosing when it sets them.
class RatesReset : public TReset {
public:
    static inline std::optional<Variant> rates;
    Variant PayFigures(const std::string& personId, int yearMonth) override {
        Variant result = TReset::PayFigures(personId, yearMonth);
        if (!rates) return result;
        VariantArray r = result.AsArray();
        r[2] = *rates;
        return Variant(r);
    }
};

const ClassRegistry& RegistryWithRates() {
    static const ClassRegistry registry = [] {
        std::vector<ClassDescriptor> classes = ComponentRegistry().Classes();
        for (ClassDescriptor& d : classes)
            if (SameText(d.progId, "QVXHumrs.Reset")) d.create = [] { return std::make_unique<RatesReset>(); };
        return ClassRegistry(classes);
    }();
    return registry;
}

Variant Rates(const std::vector<std::tuple<const char*, double, double>>& rows) {
    auto packet = std::make_shared<DataPacket>();
    packet->fields = {{"ExcuseID", FieldType::Text}, {"ExcuseCount", FieldType::Float}, {"Account", FieldType::Currency}};
    for (const auto& [id, count, account] : rows)
        packet->rows.push_back({UpdateStatus::Unmodified, {Variant(id), Variant(count), Variant(account)}});
    return Variant(DataPacketPtr(packet));
}

// The values of one column of a returned row set.
std::vector<Variant> Column(const Variant& rows, const std::string& name) {
    std::vector<Variant> values;
    const DataPacket& p = *rows.AsPacket();
    const int i = p.FieldIndex(name);
    EXPECT_GE(i, 0) << name;
    for (const auto& row : p.rows) values.push_back(i >= 0 ? row.values[i] : Variant());
    return values;
}
std::vector<std::string> Texts(const Variant& rows, const std::string& name) {
    std::vector<std::string> out;
    for (const Variant& v : Column(rows, name)) out.push_back(CStr(v));
    return out;
}

class HumMonthSalaryQueryTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        RatesReset::rates.reset();
        session = std::make_unique<Session>(*db, RegistryWithRates());
        session->serverDate = 20050115;
        // Salary periods run from the 26th: January 2005 is 2004-12-26 to 2005-01-25.
        SetParam(*db, "HumSalaryBeginDay", "26");
        SetParam(*db, "HumSpecialsDayHours", "8");
        AddPerson(*db, {.personId = "P1", .departId = "D1", .onJobDate = 20040101});
        AddPerson(*db, {.personId = "P2", .departId = "D1", .onJobDate = 20040101});
        db->Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary) Values (1, 'P1', 3000)");
        AddLeaveCategory(*db, {.excuseClsId = "LC", .cutPayment = true});
        AddLeaveCategory(*db, {.excuseClsId = "LN"});
    }
    void Run(const std::vector<const char*>& statements) {
        for (const char* sql : statements) db->Execute(sql);
    }
    Outcome Statement(const Variant& person, const Variant& month) {
        return Object(kQuery)->ExecuteProc(1, Variant(VariantArray{person, month}));
    }
    VariantArray StatementOf(const std::string& person, int month) {
        Outcome out = Statement(Variant(person), Variant(month));
        EXPECT_TRUE(out.ok) << out.error;
        EXPECT_EQ(out.result.ArrayLength(), static_cast<size_t>(ps::kSize));
        return out.ok ? out.result.AsArray() : VariantArray(ps::kSize);
    }

    void FillEverySource() {
        Run({
            // Hourly wage: two rows of January, one of February, one of another person.
            "Insert Into HumHourSalaryMain (Flag, BillNo) Values (1, 'H1')",
            "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, SerNo, PersonID, WorkDate, BeginTime, EndTime, "
            "NormalTimeNum, NormalPrice, OverTimeNum, OverPrice, OtherAmount) Values "
            "(1, 'H1', 1, 7, 'P1', 20050120, 800, 1200, 2, 10, 1, 15, 5), "
            "(1, 'H1', 2, 3, 'P1', 20050105, 800, 1100, 3, 10, 0, 15, 0), "
            "(1, 'H1', 3, 8, 'P1', 20050201, 800, 1100, 3, 10, 0, 15, 0), "
            "(1, 'H1', 4, 9, 'P2', 20050105, 800, 1100, 3, 10, 0, 15, 0)",
            // Allowances: an addition and a deduction in January's salary; one paid on
            // its own, one with SalaryStaus 1 and one of February are not part of it.
            "Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy) Values ('IA', 'A', 0), ('ID', 'D', 1)",
            "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, SerNo, PersonID, SalaryItem, SalaryType, RealAccount, "
            "SalaryMonth, SalaryStaus) Values "
            "(1, 'S1', 0, 4, 'P1', 'IA', 1, 200.5, 200501, 0), (1, 'S2', 0, 4, 'P1', 'ID', 1, 80.25, 200501, 0), "
            "(1, 'S3', 0, 4, 'P1', 'IA', 0, 999, 200501, 0), (1, 'S4', 0, 4, 'P1', 'IA', 1, 999, 200501, 1), "
            "(1, 'S5', 0, 4, 'P1', 'IA', 1, 999, 200502, 0)",
            // Overtime of the period 12-26 .. 01-25 paid as overtime (RedeemType 0).
            "Insert Into humOverTime (Flag, BillNo, RowNo, SerNo, PersonID, OverTimeDate, BeginTime, EndTime, "
            "FieldACount, FieldBCount, FieldCCount, HolidayCount, RedeemType) Values "
            "(1, 'O1', 0, 9, 'P1', 20050103, 1800, 2100, 2, 1, 0, 0, 0), "
            "(1, 'O2', 0, 9, 'P1', 20050108, 800, 1700, 0, 0, 0, 8, 0), "
            "(1, 'O3', 0, 9, 'P1', 20050110, 1800, 2100, 3, 0, 0, 0, 1), "
            "(1, 'O4', 0, 9, 'P1', 20041226, 1800, 1830, 0, 0, 0.5, 0, 0), "
            "(1, 'O5', 0, 9, 'P1', 20041225, 1800, 2200, 4, 0, 0, 0, 0), "
            "(1, 'O6', 0, 9, 'P1', 20050126, 1800, 2200, 4, 0, 0, 0, 0)",
            // Leave meeting the period; E3 ends the day before it, E6 begins after it.
            "Insert Into humExcuse (Flag, BillNo, RowNo, SerNo, PersonID, ExcuseClsID, BeginDate, BeginTime, "
            "EndDate, EndTime, ExcuseCount, CutExcuseCount) Values "
            "(1, 'E1', 0, 5, 'P1', 'LC', 20050111, 800, 20050111, 1200, 4, 1), "
            "(1, 'E2', 0, 5, 'P1', 'LC', 20041225, 800, 20041226, 1700, 8, 0), "
            "(1, 'E3', 0, 5, 'P1', 'LC', 20041224, 800, 20041225, 1700, 8, 0), "
            "(1, 'E4', 0, 5, 'P1', 'LN', 20050112, 800, 20050112, 1000, 2, 0), "
            "(3, 'E5', 0, 5, 'P1', 'LC', 20050113, 800, 20050113, 1000, 2, 0), "
            "(1, 'E6', 0, 5, 'P1', 'LC', 20050126, 800, 20050126, 1000, 2, 0)",
            // Piece work of the calendar month.
            "Insert Into humOutPut (BillNo, RowNo, SerNo, PersonID, ProdDate, EligibleQty, EligiblePieceRate, "
            "DamageQty, DamagePieceRate, OtherCutPay) Values "
            "('J1', 1, 6, 'P1', 20050105, 100, 2.5, 2, 2.5, 10), ('J1', 2, 6, 'P1', 20050128, 50, 3, 0, 3, 0), "
            "('J1', 3, 6, 'P1', 20041231, 50, 3, 0, 3, 0)",
            // Advance payments of January (A1 split over two banks, A2 without a bank),
            // one of December, and the month's salary voucher.
            "Insert Into humAdvPaySub (BillNo, RowNo, SerNo, PersonID, RealSalary, SalaryType, SalaryYearMonth) "
            "Values ('A1', 1, 5, 'P1', 800, 0, 200501), ('A1', 2, 9, 'P2', 800, 0, 200501), "
            "('A2', 1, 2, 'P1', 300, 1, 200501), ('A3', 1, 2, 'P1', 300, 1, 200412)",
            "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, DepartID, SalaryYearMonth, "
            "BaseSalary, RealSalary) Values (2, 'A1', 1, 1, 'P1', 'D1', 200501, 800, 800), "
            "(2, 'A3', 1, 1, 'P1', 'D1', 200412, 300, 300), (1, 'V1', 0, 0, 'P1', 'D1', 200501, 3000, 2500)",
            "Insert Into comBank (BankID, BankName) Values ('B1', 'Bank one')",
            "Insert Into humSalaryBank (Flag, BillNo, ParentRowNO, RowNo, PayBankID, BankMoneny) Values "
            "(2, 'A1', 1, 1, 'B1', 500), (2, 'A1', 1, 2, 'B2', 300), (1, 'A2', 1, 1, 'B1', 300)",
        });
    }
};

TEST_F(HumMonthSalaryQueryTest, EverySourceOfThePersonsMonthIsListedNumberedAndSummed) {
    FillEverySource();
    const VariantArray s = StatementOf("P1", 200501);

    EXPECT_EQ(Texts(s[ps::kHourRows], "BillNo").size(), 2u);
    EXPECT_EQ(Texts(s[ps::kHourRows], "WorkDate"), (std::vector<std::string>{"20050105", "20050120"}));
    EXPECT_EQ(Texts(s[ps::kAllowanceRows], "BillNo"), (std::vector<std::string>{"S1", "S2"}));
    EXPECT_EQ(Texts(s[ps::kOvertimeRows], "BillNo"), (std::vector<std::string>{"O4", "O1", "O2"}));
    EXPECT_EQ(Texts(s[ps::kLeaveRows], "BillNo"), (std::vector<std::string>{"E2", "E1", "E4"}));
    EXPECT_EQ(Texts(s[ps::kPieceRows], "ProdDate"), (std::vector<std::string>{"20050105", "20050128"}));
    EXPECT_EQ(Texts(s[ps::kAdvanceRows], "RealSalary").size(), 2u);
    EXPECT_EQ(Texts(s[ps::kAdvanceSalaryRows], "BillNo"), (std::vector<std::string>{"A1"}));
    EXPECT_EQ(Texts(s[ps::kAdvanceBankRows], "BankMoneny").size(), 3u);  // A1's two banks, A2 none
    EXPECT_EQ(CStr(s[ps::kVoucherBillNo]), "V1");

    // Line numbers run 1, 2, 3 in the order listed, whatever was stored.
    for (int index : {ps::kHourRows, ps::kAllowanceRows, ps::kOvertimeRows, ps::kLeaveRows, ps::kPieceRows,
                      ps::kAdvanceRows}) {
        std::vector<std::string> expected;
        for (size_t n = 1; n <= Texts(s[index], "SerNo").size(); ++n) expected.push_back(std::to_string(n));
        EXPECT_EQ(Texts(s[index], "SerNo"), expected) << "index " << index;
    }

    const std::vector<std::pair<int, double>> sums = {
        {ps::kHourTotal, 70},  // (2*10 + 1*15 + 5) + 3*10
        {ps::kAdditions, 200.5},
        {ps::kDeductions, 80.25},
        {ps::kFieldACount, 2},
        {ps::kFieldACount + 1, 1},
        {ps::kFieldACount + 2, 0.5},
        {ps::kFieldACount + 3, 8},
        // Hourly rate 3000 / 240 = 12.5, times the hours and each segment's factor.
        {ps::kFieldAAccount, 33.25},
        {ps::kFieldAAccount + 1, 20.88},
        {ps::kFieldAAccount + 2, 12.5},
        {ps::kFieldAAccount + 3, 200},
        // A day's wage of 100 for 8 hours: (4 - 1) and 8 hours of LC; LN deducts nothing.
        {ps::kLeaveDeduction, 137.5},
        {ps::kEligibleAmount, 400},
        {ps::kDamageAmount, 5},
        {ps::kOtherCutPay, 10},
        {ps::kPieceBonus, 0},
        {ps::kPieceShortFall, 2615},  // 3000 - (400 - 5 - 10)
    };
    for (const auto& [index, value] : sums) EXPECT_DOUBLE_EQ(CFloat(s[index]), value) << "index " << index;

    const std::vector<Variant> countAll = Column(s[ps::kLeaveRows], "ExcuseCountAll");
    const std::vector<Variant> amountAll = Column(s[ps::kLeaveRows], "ExcuseAmountAll");
    EXPECT_DOUBLE_EQ(CFloat(countAll[1]), 8);
    EXPECT_DOUBLE_EQ(CFloat(amountAll[1]), 100);
    EXPECT_DOUBLE_EQ(CFloat(countAll[2]), 0);
    EXPECT_DOUBLE_EQ(CFloat(amountAll[2]), 0);
}

TEST_F(HumMonthSalaryQueryTest, AmountsComeBackAsExactMoney) {
    Run({"Insert Into HumHourSalaryMain (Flag, BillNo) Values (1, 'H1')",
         "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, PersonID, WorkDate, NormalTimeNum, NormalPrice, "
         "OverTimeNum, OverPrice, OtherAmount) Values (1, 'H1', 1, 'P1', 20050105, 1, 0.1, 1, 0.2, 0)",
         "Insert Into humOutPut (BillNo, RowNo, PersonID, ProdDate, EligibleQty, EligiblePieceRate, DamageQty, "
         "DamagePieceRate, OtherCutPay) Values ('J1', 1, 'P1', 20050105, 3, 0.1, 1, 0.1, 0)",
         "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, SalaryYearMonth, BaseSalary, "
         "TaxOvertime, ClassSalary, MealSalary, MessSalary, OtherTaxSalary, ExcuseSalary, OtherDeduct) Values "
         "(2, 'A1', 1, 1, 'P1', 200501, 0.1, 0.2, 0, 0, 0, 0, 0.1, 0.2)"});
    const VariantArray s = StatementOf("P1", 200501);
    // (row set, column, amount) of the amounts the statements work out from money.
    const std::vector<std::tuple<int, const char*, double>> rows = {
        {ps::kHourRows, "TotalAmount", 0.3},       {ps::kPieceRows, "EligibleAmount", 0.3},
        {ps::kPieceRows, "DamageAmount", 0.1},     {ps::kPieceRows, "RealPayAmount", 0.2},
        {ps::kAdvanceSalaryRows, "SumTaxSalary", 0.3}, {ps::kAdvanceSalaryRows, "SumDeduct", 0.3},
    };
    for (const auto& [index, column, amount] : rows) {
        const std::vector<Variant> values = Column(s[index], column);
        ASSERT_EQ(values.size(), 1u) << column;
        EXPECT_EQ(values[0].Type(), VarType::Currency) << column;
        EXPECT_EQ(CFloat(values[0]), amount) << column;
    }
    // Every total of money is money; the overtime hours are as summed.
    for (int index = ps::kHourTotal; index <= ps::kPieceShortFall; ++index) {
        const bool hours = index >= ps::kFieldACount && index < ps::kFieldACount + 4;
        EXPECT_EQ(s[index].Type() == VarType::Currency, !hours) << "index " << index;
    }
    EXPECT_EQ(CFloat(s[ps::kHourTotal]), 0.3);
}

TEST_F(HumMonthSalaryQueryTest, LeaveDeductionFollowsTheRatesOfItsKind) {
    Run({"Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, "
         "EndTime, ExcuseCount, CutExcuseCount) Values (1, 'E1', 0, 'P1', 'LC', 20050111, 800, 20050111, 1600, 6, 0), "
         "(1, 'E2', 0, 'P1', 'LN', 20050112, 800, 20050112, 1200, 4, 0)"});
    struct Case {
        const char* what;
        std::optional<Variant> rates;
        double deduction;
        double countAllOfLN, amountAllOfLN;
    } cases[] = {
        {"no rates at all", Rates({}), 0, 0, 0},
        {"a rate of another kind only", Rates({{"LX", 8, 100}}), 0, 0, 0},
        {"LN's rate without units", Rates({{"LN", 0, 100}}), 0, 0, 100},
        {"both kinds", Rates({{"LC", 8, 80}, {"LN", 4, 40}}), 6 * 80 / 8.0 + 4 * 40 / 4.0, 4, 40},
        {"rounded to the cent", Rates({{"LC", 7, 100}}), 85.71, 0, 0},  // 600 / 7 = 85.714
    };
    for (const Case& c : cases) {
        RatesReset::rates = c.rates;
        const VariantArray s = StatementOf("P1", 200501);
        EXPECT_DOUBLE_EQ(CFloat(s[ps::kLeaveDeduction]), c.deduction) << c.what;
        EXPECT_DOUBLE_EQ(CFloat(Column(s[ps::kLeaveRows], "ExcuseCountAll")[1]), c.countAllOfLN) << c.what;
        EXPECT_DOUBLE_EQ(CFloat(Column(s[ps::kLeaveRows], "ExcuseAmountAll")[1]), c.amountAllOfLN) << c.what;
    }
}

TEST_F(HumMonthSalaryQueryTest, AMonthWithoutDataGivesEmptyRowSetsAndZeros) {
    const VariantArray s = StatementOf("P2", 200501);
    for (int index : {ps::kHourRows, ps::kAllowanceRows, ps::kOvertimeRows, ps::kLeaveRows, ps::kPieceRows,
                      ps::kAdvanceRows, ps::kAdvanceSalaryRows, ps::kAdvanceBankRows}) {
        ASSERT_TRUE(s[index].IsPacket()) << index;
        EXPECT_TRUE(s[index].AsPacket()->rows.empty()) << index;
    }
    EXPECT_TRUE(s[ps::kVoucherBillNo].IsNullOrEmpty());
    for (int index = ps::kHourTotal; index <= ps::kPieceShortFall; ++index) EXPECT_EQ(CFloat(s[index]), 0) << index;
}

TEST_F(HumMonthSalaryQueryTest, TheMonthMustBeAYearMonthAndThePersonIsOnlyEverAText) {
    FillEverySource();
    for (const Variant& month : {Variant("200501 Or 1=1"), Variant(200513), Variant(20050115), Variant("")})
        EXPECT_EQ(Statement(Variant("P1"), month).failure, Outcome::Kind::BadInput) << month.Describe();
    EXPECT_TRUE(Statement(Variant("P1"), Variant("200501")).ok);
    Outcome hostile = Statement(Variant("P1' Or '1'='1"), Variant(200501));
    ASSERT_TRUE(hostile.ok) << hostile.error;
    EXPECT_TRUE(hostile.result[ps::kHourRows].AsPacket()->rows.empty());
}

TEST_F(HumMonthSalaryQueryTest, PrintedStatementShowsEachSourceAsATableThenTheTotals) {
    FillEverySource();
    const std::string text = cli::PayStatementText(Variant(StatementOf("P1", 200501)));
    const std::vector<std::pair<const char*, std::string>> expected = {
        {"the voucher", "Salary voucher: V1\n"},
        {"a source's heading", "\nHourly wage \\(2 rows\\)\n"},
        {"its first row, numbered again", "\n +1 +H1 +20050105 +800 +1100 +3 +10\\.00 +0 +15\\.00 +0\\.00 +30\\.00\n"},
        {"a leave row with its rate", "\n +1 +E2 +LC .* 8 +100\\.00\n"},
        {"a total", "\n +Leave deduction +137\\.50\n"},
        {"hours as summed", "\n +Overtime hours C +0\\.50\n"},
    };
    for (const auto& [what, pattern] : expected)
        EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << what << "\n" << text;

    const std::string empty = cli::PayStatementText(Variant(StatementOf("P2", 200501)));
    EXPECT_NE(empty.find("Salary voucher: none\n"), std::string::npos) << empty;
    EXPECT_NE(empty.find("Piece work (0 rows)\n  none\n"), std::string::npos) << empty;
}

}  // namespace
}  // namespace humrs
