// The monthly pay statement of one person-month while every payroll source holds the
// history of many persons. Fills a database with N persons (10,000; --quick: 1,000),
// each with a year of rows in every source the statement reads (hourly wage,
// allowances, overtime, leave, piece work, advance payments with their salary and
// bank rows, salary vouchers), then times the statement of single person-months
// picked across the persons. Prints the fill time and the time per statement.
//
//   bench_pay_statement [--quick] [--postgresql URL]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Convert.h"
#include "db/Database.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "utils/DateUtils.h"

using namespace humrs;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string PersonId(int i) { return "P" + FormatNumLen(i, 6); }

void Fill(Database& db, int persons) {
    CreateComponentSchema(db);
    db.BeginWrite();
    AddDepartment(db, "D1", "Assembly");
    AddLeaveCategory(db, {.excuseClsId = "LC", .excuseClsName = "事假", .cutPayment = true});
    db.Execute("Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy) Values ('IA', 'Meal', 0)");
    db.Execute("Insert Into comBank (BankID, BankName) Values ('B1', 'Bank')");
    const char* hourMain = "Insert Into HumHourSalaryMain (Flag, BillNo) Values (1, ?)";
    const char* hourSub =
        "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, SerNo, PersonID, WorkDate, BeginTime, EndTime, "
        "NormalTimeNum, NormalPrice) Values (1, ?, ?, ?, ?, ?, 800, 1200, 4, 25)";
    const char* allowance =
        "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, PersonID, SalaryItem, SalaryType, RealAccount, "
        "SalaryMonth) Values (1, ?, 0, ?, 'IA', 1, 120, ?)";
    const char* overtime =
        "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
        "RedeemType) Values (1, ?, 0, ?, ?, 1800, 2000, 2, 0)";
    const char* leave =
        "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) Values (1, ?, 0, ?, 'LC', ?, 800, ?, 1200, 4)";
    const char* piece =
        "Insert Into humOutPut (BillNo, RowNo, PersonID, ProdDate, EligibleQty, EligiblePieceRate) "
        "Values (?, ?, ?, ?, 300, 2.5)";
    const char* advance =
        "Insert Into humAdvPaySub (BillNo, RowNo, PersonID, RealSalary, SalaryType, SalaryYearMonth) "
        "Values (?, 1, ?, 800, 0, ?)";
    const char* salary =
        "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, DepartID, SalaryYearMonth, "
        "RealSalary) Values (?, ?, ?, ?, ?, 'D1', ?, 800)";
    const char* bank =
        "Insert Into humSalaryBank (Flag, BillNo, ParentRowNO, RowNo, PayBankID, BankMoneny) "
        "Values (2, ?, 1, 1, 'B1', 800)";
    for (int p = 0; p < persons; ++p) {
        const std::string id = PersonId(p);
        AddPerson(db, {.personId = id, .departId = "D1", .onJobDate = 20000101});
        db.Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary) Values (1, ?, 3000)", {Variant(id)});
        for (int m = 1; m <= 12; ++m) {
            const int month = 200400 + m;
            const std::string k = id + "-" + std::to_string(m);
            const int day = month * 100 + 10;
            db.Execute(hourMain, {Variant("H" + k)});
            for (int r = 1; r <= 2; ++r)
                db.Execute(hourSub, {Variant("H" + k), Variant(r), Variant(r), Variant(id), Variant(day + r)});
            db.Execute(allowance, {Variant("S" + k), Variant(id), Variant(month)});
            for (int r = 0; r < 2; ++r)
                db.Execute(overtime, {Variant("O" + k + "-" + std::to_string(r)), Variant(id), Variant(day + r)});
            db.Execute(leave, {Variant("E" + k), Variant(id), Variant(day + 5), Variant(day + 5)});
            for (int r = 1; r <= 2; ++r) db.Execute(piece, {Variant("J" + k), Variant(r), Variant(id), Variant(day + r)});
            db.Execute(advance, {Variant("A" + k), Variant(id), Variant(month)});
            db.Execute(salary, {Variant(2), Variant("A" + k), Variant(1), Variant(1), Variant(id), Variant(month)});
            db.Execute(salary, {Variant(1), Variant("V" + k), Variant(0), Variant(0), Variant(id), Variant(month)});
            db.Execute(bank, {Variant("A" + k)});
        }
    }
    db.Commit();
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::string pgUrl;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--postgresql") == 0 && i + 1 < argc) pgUrl = argv[++i];
    }
    const int persons = quick ? 1000 : 10000;

    std::unique_ptr<Database> db;
    if (pgUrl.empty()) {
        const std::string path = (std::filesystem::temp_directory_path() / "humrs_bench_pay_statement.db").string();
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
        db = OpenDatabase(path);
    } else {
        db = OpenDatabase(pgUrl);
    }
    auto start = Clock::now();
    Fill(*db, persons);
    std::printf("Filled %d persons x 12 months in every source in %.1f s\n", persons, Seconds(start));

    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    auto query = CreateBusinessObject("QVXHumrs.HumMonthSalaryQuery", session);
    const int runs = 200;
    std::vector<double> ms;
    size_t rows = 0;
    for (int i = 0; i < runs; ++i) {
        const std::string id = PersonId((i * 7919) % persons);
        const int month = 200401 + i % 12;
        auto t = Clock::now();
        Outcome out = query->ExecuteProc(1, Variant(VariantArray{Variant(id), Variant(month)}));
        ms.push_back(Seconds(t) * 1000);
        if (!out.ok) {
            std::fprintf(stderr, "statement of %s %d failed: %s\n", id.c_str(), month, out.error.c_str());
            return 1;
        }
        for (int index : {0, 1, 2, 3, 4, 23, 24, 25}) rows += out.result[index].AsPacket()->rows.size();
    }
    std::sort(ms.begin(), ms.end());
    double total = 0;
    for (double x : ms) total += x;
    std::printf("Pay statement of one person-month (%d runs, %.1f rows each): mean %.2f ms, median %.2f ms, "
                "95th percentile %.2f ms\n",
                runs, static_cast<double>(rows) / runs, total / runs, ms[runs / 2], ms[runs * 95 / 100]);
    return 0;
}
