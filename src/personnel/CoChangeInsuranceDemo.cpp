// Demo scenes of the insurance change: the mainland scheme (local type 0) and the
// regional scheme with date-based kinds (local type 1).
#include <functional>
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

// An addition, a stop and a resumption of one kind, all accepted and transferred.
void AddStopResume(DemoContext& demo, const std::string& person, int kind, const std::string& kindName,
                   const std::string& bill, int addMonth, int month, const char* columns) {
    demo.Say(person + " is added to the " + kindName + " in " + std::to_string(addMonth) + ", stopped and resumed in " +
             std::to_string(month) + ": each change is due, so transferred at once; a resumption after a stop is "
             "accepted.");
    SetUpSettings(demo, person);
    demo.Save(kInsurance, ChangeBill(bill + "1", Change(person, kind, 1, 5000, addMonth)), true,
              bill + "1 " + person + " " + kindName + " added");
    demo.Save(kInsurance, ChangeBill(bill + "2", Change(person, kind, 2, 0, month)), true,
              bill + "2 " + person + " " + kindName + " stopped");
    demo.Save(kInsurance, ChangeBill(bill + "3", Change(person, kind, 3, 5500, month)), true,
              bill + "3 " + person + " " + kindName + " resumed");
    ShowInsurance(demo, person, columns);
}

// A resumption right after an addition is refused.
void ResumeAfterAddRefused(DemoContext& demo, const std::string& person, int kind, const std::string& kindName,
                           const std::string& bill) {
    demo.Say(person + " is added to the " + kindName + "; a resumption right after it is refused.");
    SetUpSettings(demo, person);
    demo.Save(kInsurance, ChangeBill(bill + "1", Change(person, kind, 1, 4200, 202406)), true,
              bill + "1 " + person + " " + kindName + " added");
    demo.Save(kInsurance, ChangeBill(bill + "2", Change(person, kind, 3, 4300, 202406)), false,
              bill + "2 " + person + " " + kindName + " resumed after an addition");
}

void FutureLabourInsurance(DemoContext& demo) {
    demo.Say("赵敏 (E007) is added to the labour insurance (劳保) from 2024-07-01, after today: saved, not yet "
             "transferred.");
    SetUpSettings(demo, "E007");
    demo.Save(kInsurance, ChangeBill("TBE1", Change("E007", 1, 1, 45800, 0, 20240701)), true,
              "TBE1 E007 labour insurance from 07-01");
    ShowInsurance(demo, "E007", "LaborDegree, InsuranceDate");
    demo.Say("The daily transfer of 2024-07-01 carries it into her settings and records her insurance date.");
    demo.Proc(kInsurance, 2, Variant(VariantArray{Variant(""), Variant(20240701)}), Variant(),
              "transfer of the changes due on 2024-07-01");
    ShowInsurance(demo, "E007", "LaborDegree, InsuranceDate");
}

// A scene told under a local type.
DemoScene Under(int localType, std::string title, std::function<void(DemoContext&)> run) {
    return {std::move(title), [localType, run = std::move(run)](DemoContext& demo) {
                UnderLocalType scheme(demo, localType);
                run(demo);
            }};
}

}  // namespace

std::vector<DemoScene> ChangeInsuranceDemo() {
    return {
        Under(0, "Insurance changes (local type 0): an addition, a stop and a resumption",
              [](DemoContext& d) { AddStopResume(d, "E004", 0, "pension insurance (养老保险)", "TBA", 202405, 202406,
                                                 "Endowment"); }),
        Under(0, "Insurance changes (local type 0): a resumption after an addition refused",
              [](DemoContext& d) { ResumeAfterAddRefused(d, "E005", 1, "medical insurance (医疗保险)", "TBB"); }),
        Under(1, "Insurance changes (local type 1): an addition, a stop and a resumption",
              [](DemoContext& d) { AddStopResume(d, "E006", 0, "health insurance (健保)", "TBC", 202405, 202406,
                                                 "HealthDegree, HealthYeahMonth"); }),
        Under(1, "Insurance changes (local type 1): a resumption after an addition refused",
              [](DemoContext& d) { ResumeAfterAddRefused(d, "E008", 0, "health insurance (健保)", "TBD"); }),
        Under(1, "Insurance changes (local type 1): a future labour insurance addition transferred by the daily job",
              FutureLabourInsurance),
    };
}

}  // namespace humrs
