// Demo scenes of the insurance change: the mainland scheme (local type 0) and the
// regional scheme with date-based kinds (local type 1).
#include <optional>

#include "personnel/CoChangeInsurance.h"

namespace humrs {

namespace {

constexpr const char* kInsurance = "QVXHumrs.ChangeInsurance";
constexpr const char* kSettings = "QVXHumrs.PersonSetMain";

// Runs a scene's steps under a local type and gives the session its own back after.
class UnderLocalType {
public:
    UnderLocalType(DemoContext& demo, int localType) : session_(demo.GetSession()), saved_(session_.localType) {
        session_.localType = localType;
    }
    ~UnderLocalType() { session_.localType = saved_; }
    UnderLocalType(const UnderLocalType&) = delete;
    UnderLocalType& operator=(const UnderLocalType&) = delete;

private:
    Session& session_;
    std::optional<int> saved_;
};

// A bill of one change row.
Json ChangeBill(const std::string& billNo, Json row) {
    row["RowNo"] = 1;
    return Json{{"datasets", Json::array({Json::array({Json{{"BillNo", billNo}, {"BillDate", 20240610}}}),
                                          Json::array({std::move(row)})})}};
}

Json Change(const std::string& person, int kind, int type, double amount, int adjustMonth, int adjustDate = 0) {
    return Json{{"PersonID", person}, {"InsurKind", kind},  {"ChangeType", type},
                {"ChangeMoneny", amount}, {"AdjustYearMonth", adjustMonth}, {"AdjustDate", adjustDate}};
}

void SetUpSettings(DemoContext& demo, const std::string& person) {
    demo.Save(kSettings, Json{{"datasets", Json::array({Json::array({Json{{"ID", person}}})})}}, true,
              person + " salary settings set up");
}

void ShowInsurance(DemoContext& demo, const std::string& person, const char* columns) {
    demo.Show("settings", std::string("Select ID, ") + columns + " From humPersonSetMain Where Flag = 1 And ID = ?",
              {Variant(person)});
    demo.Show("history",
              "Select InsurKind, ChangeTimes, ChangeType, ChangeMoneny, AdjustDate, AdjustYearMonth From "
              "humHistInsurance Where PersonID = ? Order By InsurKind, ChangeTimes",
              {Variant(person)});
}

void MainlandAddStopResume(DemoContext& demo) {
    UnderLocalType scheme(demo, 0);
    demo.Say("刘洋 (E004) gets his salary settings; his pension insurance starts from nothing.");
    SetUpSettings(demo, "E004");
    demo.Say("He is added to the pension insurance (养老保险) at 5000 from 2024-06: due, so transferred at once.");
    demo.Save(kInsurance, ChangeBill("TB001", Change("E004", 0, 1, 5000, 202406)), true, "TB001 E004 pension added");
    demo.Say("The pension insurance is stopped in the same month.");
    demo.Save(kInsurance, ChangeBill("TB002", Change("E004", 0, 2, 0, 202406)), true, "TB002 E004 pension stopped");
    demo.Say("And resumed at 5500: a resumption after a stop is accepted.");
    demo.Save(kInsurance, ChangeBill("TB003", Change("E004", 0, 3, 5500, 202406)), true, "TB003 E004 pension resumed");
    ShowInsurance(demo, "E004", "Endowment");
}

void MainlandResumeAfterAddRefused(DemoContext& demo) {
    UnderLocalType scheme(demo, 0);
    demo.Say("陈静 (E005) is added to the medical insurance (医疗保险); a resumption right after it is refused.");
    SetUpSettings(demo, "E005");
    demo.Save(kInsurance, ChangeBill("TB004", Change("E005", 1, 1, 4200, 202406)), true, "TB004 E005 medical added");
    demo.Save(kInsurance, ChangeBill("TB005", Change("E005", 1, 3, 4300, 202406)), false,
              "TB005 E005 medical resumed after an addition");
}

void RegionalAddStopResume(DemoContext& demo) {
    UnderLocalType scheme(demo, 1);
    demo.Say("Under the regional scheme 杨磊 (E006) is added to the health insurance (健保) from 2024-05, stopped "
             "and resumed in 2024-06; a resumption after an addition is refused for 黄强 (E008).");
    SetUpSettings(demo, "E006");
    demo.Save(kInsurance, ChangeBill("TB101", Change("E006", 0, 1, 30300, 202405)), true, "TB101 E006 health added");
    demo.Save(kInsurance, ChangeBill("TB102", Change("E006", 0, 2, 0, 202406)), true, "TB102 E006 health stopped");
    demo.Save(kInsurance, ChangeBill("TB103", Change("E006", 0, 3, 31800, 202406)), true, "TB103 E006 health resumed");
    ShowInsurance(demo, "E006", "HealthDegree, HealthYeahMonth");
    SetUpSettings(demo, "E008");
    demo.Save(kInsurance, ChangeBill("TB104", Change("E008", 0, 1, 30300, 202406)), true, "TB104 E008 health added");
    demo.Save(kInsurance, ChangeBill("TB105", Change("E008", 0, 3, 31800, 202406)), false,
              "TB105 E008 health resumed after an addition");
}

void RegionalFutureLabourInsurance(DemoContext& demo) {
    UnderLocalType scheme(demo, 1);
    demo.Say("赵敏 (E007) is added to the labour insurance (劳保) from 2024-07-01, after today: saved, not yet "
             "transferred.");
    SetUpSettings(demo, "E007");
    demo.Save(kInsurance, ChangeBill("TB106", Change("E007", 1, 1, 45800, 0, 20240701)), true,
              "TB106 E007 labour insurance from 07-01");
    ShowInsurance(demo, "E007", "LaborDegree, InsuranceDate");
    demo.Say("The daily transfer of 2024-07-01 carries it into her settings and records her insurance date.");
    demo.Proc(kInsurance, 2, Variant(VariantArray{Variant(""), Variant(20240701)}), Variant(),
              "transfer of the changes due on 2024-07-01");
    ShowInsurance(demo, "E007", "LaborDegree, InsuranceDate");
}

}  // namespace

std::vector<DemoScene> ChangeInsuranceDemo() {
    return {
        {"Insurance changes (local type 0): an addition, a stop and a resumption", MainlandAddStopResume},
        {"Insurance changes (local type 0): a resumption after an addition refused", MainlandResumeAfterAddRefused},
        {"Insurance changes (local type 1): an addition, a stop and a resumption; a resumption refused",
         RegionalAddStopResume},
        {"Insurance changes (local type 1): a future labour insurance addition transferred by the daily job",
         RegionalFutureLabourInsurance},
    };
}

}  // namespace humrs
