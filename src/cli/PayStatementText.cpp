#include "cli/PayStatementText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/Convert.h"
#include "core/DataPacket.h"
#include "payroll/CoHumMonthSalaryQuery.h"

namespace humrs::cli {

namespace {

// Columns of a terminal a text takes: the wide (CJK) characters two, others one.
size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t code = len == 1 ? c : c & (0xFF >> (len + 1));
        for (size_t k = 1; k < len && i + k < text.size(); ++k) code = code << 6 | (text[i + k] & 0x3F);
        width += code >= 0x1100 && (code <= 0x115F || (code >= 0x2E80 && code <= 0xA4CF) ||
                                    (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                                    (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                                    (code >= 0xFFE0 && code <= 0xFFE6))
                     ? 2
                     : 1;
        i += len;
    }
    return width;
}

std::string Pad(const std::string& text, size_t width, bool right) {
    const size_t w = DisplayWidth(text);
    const std::string fill(width > w ? width - w : 0, ' ');
    return right ? fill + text : text + fill;
}

std::string Money(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    return buf;
}

// Whether a column holds money by its name (amounts computed in a statement come back
// as plain numbers).
bool MoneyColumn(const std::string& name) {
    for (const char* part : {"Amount", "Account", "Price", "PieceRate", "Salary", "Money", "CutPay", "Cash", "Bank",
                             "Deduct"})
        if (name.find(part) != std::string::npos) return true;
    return false;
}

bool IsNumber(const Variant& value) { return value.IsNumeric() && value.Type() != VarType::Bool; }

// Whether a value asks for cents: money, or a number with a fraction.
bool WantsCents(const Variant& value, const FieldDef& field) {
    if (!IsNumber(value)) return false;
    const double x = CFloat(value);
    return value.Type() == VarType::Currency || MoneyColumn(field.name) || x != static_cast<double>(static_cast<int64_t>(x));
}

// A column shows every number with cents when one of them wants them.
std::string Cell(const Variant& value, bool cents) {
    if (value.IsNullOrEmpty()) return "";
    if (IsNumber(value)) return cents ? Money(CFloat(value)) : std::to_string(CInt(value));
    return CStr(value);
}

struct Section {
    int index;
    const char* title;
    std::vector<const char*> columns;  // shown in this order when the rows carry them
};

// One source as a table of the columns a reader needs.
void Table(std::string& out, const Section& s, const Variant& data) {
    const DataPacketPtr packet = data.IsPacket() ? data.AsPacket() : DataPacketPtr();
    const size_t rows = packet ? packet->rows.size() : 0;
    out += std::string(s.title) + " (" + std::to_string(rows) + (rows == 1 ? " row" : " rows") + ")\n";
    if (rows == 0) {
        out += "  none\n\n";
        return;
    }
    std::vector<int> shown;
    for (const char* name : s.columns)
        if (int i = packet->FieldIndex(name); i >= 0) shown.push_back(i);
    if (shown.empty())
        for (size_t i = 0; i < packet->fields.size(); ++i) shown.push_back(static_cast<int>(i));

    std::vector<std::vector<std::string>> cells(rows + 1);
    std::vector<bool> numeric(shown.size(), true), cents(shown.size(), false);
    for (size_t c = 0; c < shown.size(); ++c) {
        cells[0].push_back(packet->fields[shown[c]].name);
        for (size_t r = 0; r < rows; ++r) {
            const Variant& v = packet->rows[r].values[shown[c]];
            if (WantsCents(v, packet->fields[shown[c]])) cents[c] = true;
            if (!v.IsNullOrEmpty() && !v.IsNumeric()) numeric[c] = false;
        }
    }
    for (size_t r = 0; r < rows; ++r)
        for (size_t c = 0; c < shown.size(); ++c) cells[r + 1].push_back(Cell(packet->rows[r].values[shown[c]], cents[c]));
    std::vector<size_t> width(shown.size(), 0);
    for (const auto& line : cells)
        for (size_t c = 0; c < line.size(); ++c) width[c] = std::max(width[c], DisplayWidth(line[c]));
    for (const auto& line : cells) {
        std::string text = " ";
        for (size_t c = 0; c < line.size(); ++c) text += " " + Pad(line[c], width[c], numeric[c]);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out += text + "\n";
    }
    out += "\n";
}

}  // namespace

std::string PayStatementText(const Variant& statement) {
    namespace ps = pay_statement;
    auto at = [&](int i) { return statement[static_cast<size_t>(i)]; };
    static const std::vector<Section> sections = {
        {ps::kHourRows, "Hourly wage",
         {"SerNo", "BillNo", "WorkDate", "BeginTime", "EndTime", "NormalTimeNum", "NormalPrice", "OverTimeNum",
          "OverPrice", "OtherAmount", "TotalAmount"}},
        {ps::kAllowanceRows, "Allowances and deductions",
         {"SerNo", "BillNo", "SalaryItem", "SalaryName", "Propertiy", "Amount", "Price", "Account", "RealAccount",
          "Memo"}},
        {ps::kOvertimeRows, "Overtime",
         {"SerNo", "BillNo", "OverTimeClass", "OverTimeDate", "BeginTime", "EndTime", "FieldACount", "FieldBCount",
          "FieldCCount", "HolidayCount", "TotalCount"}},
        {ps::kLeaveRows, "Leave",
         {"SerNo", "BillNo", "ExcuseClsID", "ExcuseClsName", "BeginDate", "BeginTime", "EndDate", "EndTime",
          "ExcuseCount", "CutExcuseCount", "RealExcuseCount", "ExcuseCountAll", "ExcuseAmountAll"}},
        {ps::kPieceRows, "Piece work",
         {"SerNo", "BillNo", "ProcName", "ProdName", "Unit", "ProdDate", "EligibleQty", "EligiblePieceRate",
          "EligibleAmount", "DamageQty", "DamageAmount", "OtherCutPay", "RealPayAmount"}},
        {ps::kAdvanceRows, "Advance payments",
         {"SerNo", "BillNo", "PayDay", "RealSalary", "SalaryType", "PSalaryBank", "PAccountNumber", "BankAmount",
          "CashPaid", "BankPaid"}},
        {ps::kAdvanceSalaryRows, "Salary rows of the advance payments",
         {"BillNo", "RowNo", "PayDay", "PersonName", "DepartName", "SumTaxSalary", "SumDeduct", "RealSalary",
          "RealCash", "RealBank", "CashPaid", "BankPaid"}},
        {ps::kAdvanceBankRows, "Bank split of the advance payments",
         {"BillNo", "RowNo", "PayBankID", "BankName", "PayAccount", "AccountName", "BankMoneny"}},
    };

    std::string out = "Pay statement\n";
    const Variant voucher = at(ps::kVoucherBillNo);
    out += "Salary voucher: " + (voucher.IsNullOrEmpty() ? std::string("none") : CStr(voucher)) + "\n\n";
    for (const Section& s : sections) Table(out, s, at(s.index));

    const std::vector<std::pair<const char*, int>> totals = {
        {"Hourly wage", ps::kHourTotal},
        {"Allowances added", ps::kAdditions},
        {"Allowances deducted", ps::kDeductions},
        {"Overtime pay A", ps::kFieldAAccount},
        {"Overtime pay B", ps::kFieldAAccount + 1},
        {"Overtime pay C", ps::kFieldAAccount + 2},
        {"Holiday overtime pay", ps::kFieldAAccount + 3},
        {"Leave deduction", ps::kLeaveDeduction},
        {"Piece work eligible", ps::kEligibleAmount},
        {"Piece work damaged", ps::kDamageAmount},
        {"Piece work other deductions", ps::kOtherCutPay},
        {"Piece-work bonus", ps::kPieceBonus},
        {"Piece-work shortfall", ps::kPieceShortFall},
    };
    const std::vector<std::pair<const char*, int>> hours = {
        {"Overtime hours A", ps::kFieldACount},
        {"Overtime hours B", ps::kFieldACount + 1},
        {"Overtime hours C", ps::kFieldACount + 2},
        {"Holiday overtime hours", ps::kFieldACount + 3},
    };
    size_t labelWidth = 0;
    for (const auto& list : {totals, hours})
        for (const auto& [label, index] : list) labelWidth = std::max(labelWidth, DisplayWidth(label));
    out += "Totals\n";
    for (const auto& list : {hours, totals})
        for (const auto& [label, index] : list)
            out += "  " + Pad(label, labelWidth, false) + "  " + Pad(Money(CFloat(at(index))), 12, true) + "\n";
    return out;
}

}  // namespace humrs::cli
