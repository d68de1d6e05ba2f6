// Demo scenes of the personnel change: one newcomer's way from probation to
// reinstatement, the changes each work state refuses, and a change taken back.
#include "personnel/CoChangePerson.h"
#include "suite/Seed.h"

namespace humrs {

namespace {

constexpr const char* kChangePerson = "QVXHumrs.ChangePerson";

// One change of one person: after and before values of department and position.
struct Change {
    const char* person;
    int bType;
    int type;
    int activeDate;
    const char* depart;
    const char* position;
    const char* bDepart;
    const char* bPosition;
    int leaveMonths = 0;
};

Json ChangeBill(const std::string& billNo, const Change& c) {
    Json row = {{"PersonID", c.person},
                {"BType", c.bType},
                {"Type", c.type},
                {"ActiveDate", c.activeDate},
                {"ChangeDepart", c.depart},
                {"ChangePosition", c.position},
                {"BChangeDepart", c.bDepart},
                {"BChangePosition", c.bPosition},
                {"LeaveMonths", c.leaveMonths}};
    return Json{{"datasets", Json::array({Json::array({Json{{"BillNo", billNo}, {"BillDate", c.activeDate}}}),
                                          Json::array({std::move(row)})})}};
}

void ShowPerson(DemoContext& demo, const std::string& person) {
    demo.Show(
        "the person's record",
        "Select P.PersonID, P.DepartID, P.PosiID, P.OnJobDate, P.LeaveJobDate, X.WorkState, X.FormalDate, "
        "X.Probation From comPerson P Join humPersonExtend X On X.PersonID = P.PersonID Where P.PersonID = ?",
        {Variant(person)});
}

// A change accepted, told and shown on the person's record.
void ChangeShown(DemoContext& demo, const std::string& story, const std::string& billNo, const Change& c,
                 const std::string& what) {
    demo.Say(story);
    demo.Save(kChangePerson, ChangeBill(billNo, c), true, what);
    ShowPerson(demo, c.person);
}

// A change the person's work state does not allow, told and refused.
void ChangeRefused(DemoContext& demo, const std::string& story, const Change& c, const std::string& what) {
    demo.Say(story);
    demo.Save(kChangePerson, ChangeBill("RS099", c), false, what);
}

void HiredOnProbation(DemoContext& demo) {
    AddPerson(demo.Db(), {.personId = "E101",
                          .personName = "宋佳",
                          .departId = "",
                          .onJobDate = 0,
                          .workState = work_state::kNotYetOnJob});
    ChangeShown(demo,
                "宋佳 (E101) is not on the job yet. She starts on 2024-01-15 in production as an operator, "
                "on probation.",
                "RS001", {"E101", 0, 1, 20240115, "D02", "OP", "", ""},
                "RS001 E101 probation from 2024-01-15");
}

void MadeFormal(DemoContext& demo) {
    ChangeShown(
        demo,
        "On 2024-04-14 she becomes a formal employee: from 01-15 to the day after, three whole months "
        "of probation are served.",
        "RS002", {"E101", 1, 2, 20240414, "D02", "OP", "D02", "OP"}, "RS002 E101 formal on 2024-04-14");
    ChangeRefused(demo, "A formal employee becomes formal only once.",
                  {"E101", 2, 2, 20240501, "D02", "OP", "D02", "OP"}, "E101 formal, formal again");
}

void Transferred(DemoContext& demo) {
    ChangeShown(demo, "In June she moves to administration as a clerk.", "RS003",
                {"E101", 2, 3, 20240601, "D01", "CLK", "D02", "OP"}, "RS003 E101 transferred to D01");
    ChangeRefused(demo, "Transferred, she cannot be put back on probation.",
                  {"E101", 3, 1, 20240615, "D01", "CLK", "D01", "CLK"}, "E101 transferred, probation");
}

void LeaveWithoutPay(DemoContext& demo) {
    ChangeRefused(demo, "She asks for leave without pay; the months must be given.",
                  {"E101", 3, 5, 20240701, "D01", "CLK", "D01", "CLK", 0},
                  "E101 leave without pay, no months");
    ChangeShown(demo, "Given as three months, it is accepted.", "RS004",
                {"E101", 3, 5, 20240701, "D01", "CLK", "D01", "CLK", 3},
                "RS004 E101 three months of leave without pay");
    ChangeRefused(demo, "While on leave without pay she may only come back or leave: a transfer is refused.",
                  {"E101", 5, 3, 20240801, "D02", "OP", "D01", "CLK"}, "E101 on leave without pay, transfer");
}

void Reinstated(DemoContext& demo) {
    ChangeShown(demo, "On 2024-10-01 she comes back.", "RS005",
                {"E101", 5, 6, 20241001, "D01", "CLK", "D01", "CLK"}, "RS005 E101 reinstated");
}

void RefusedChanges(DemoContext& demo) {
    AddPerson(demo.Db(), {.personId = "E102",
                          .personName = "唐宁",
                          .departId = "",
                          .onJobDate = 0,
                          .workState = work_state::kNotYetOnJob});
    ChangeRefused(demo,
                  "Each work state allows only some changes. A change without a type is refused for anybody.",
                  {"E102", 0, 0, 20240901, "D02", "OP", "", ""}, "E102 not on the job, no type");
    ChangeRefused(demo, "唐宁 (E102) is not on the job yet: she cannot be transferred.",
                  {"E102", 0, 3, 20240901, "D02", "OP", "", ""}, "E102 not on the job, transfer");
    ChangeRefused(demo, "林雪 (E019) is on probation: no leave without pay.",
                  {"E019", 1, 5, 20240901, "D02", "", "D02", "", 2}, "E019 on probation, leave without pay");
    ChangeRefused(
        demo,
        "宋佳 (E101) is back at work: she is not on leave without pay, so she cannot be reinstated again.",
        {"E101", 6, 6, 20241101, "D01", "CLK", "D01", "CLK"}, "E101 reinstated, reinstatement");
    ChangeRefused(demo, "罗刚 (E020) has left: nothing more may be entered for him.",
                  {"E020", 4, 6, 20240901, "D02", "", "D02", ""}, "E020 left, reinstatement");
}

void LatestChangeTakenBack(DemoContext& demo) {
    demo.Say("Only a person's latest change may be taken back: deleting her transfer is refused.");
    demo.Delete(kChangePerson, "RS003", false, "RS003, not E101's latest change");
    demo.Say("Deleting her reinstatement puts her back on leave without pay.");
    demo.Delete(kChangePerson, "RS005", true, "RS005, E101's latest change");
    ShowPerson(demo, "E101");
}

}  // namespace

std::vector<DemoScene> ChangePersonDemo() {
    return {
        {"Personnel changes: a newcomer hired on probation", HiredOnProbation},
        {"Personnel changes: becoming formal counts the probation served", MadeFormal},
        {"Personnel changes: a transfer", Transferred},
        {"Personnel changes: leave without pay", LeaveWithoutPay},
        {"Personnel changes: reinstatement", Reinstated},
        {"Personnel changes: what each work state refuses", RefusedChanges},
        {"Personnel changes: only the latest change is taken back", LatestChangeTakenBack},
    };
}

}  // namespace humrs
