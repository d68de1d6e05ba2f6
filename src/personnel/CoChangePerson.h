#pragma once
// Personnel changes: probation, becoming formal, transfer, resignation, leave without
// pay and reinstatement. Each body row is one change of one person, checked against
// the person's work state, written into the person's master rows (comPerson,
// humPersonExtend) when saved, and undone from the row's "before" columns when the
// row or its document is deleted. A person's changes are numbered (ChangeTimes) and
// only the latest one may be altered.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TChangePerson : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void BeforeDelete() override;
    // A stored document may always be taken up for a change.
    void BeforeEdit() override {}
    // Procedure 1 takes the person and a change number as two separate arguments.
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override;

    // One change as a row holds it: after the change, and the state before it.
    struct PersonChange {
        std::string person;
        int type = 0;   // change requested; the work state afterwards
        int bType = 0;  // work state before the change
        int activeDate = 0;
        std::string depart, position, chineseTitle, engTitle;
        std::string bDepart, bPosition, bChineseTitle, bEngTitle;
    };

    // ---- the person's work state and change numbers
    // humPersonExtend.WorkState of the person; 0 when the person has no row.
    int GetWorkState(const std::string& person);
    // The person's highest stored change number; 0 before the first change.
    int HighestChangeTimes(const std::string& person);
    // Refuses a change number below the person's highest: only the latest change may
    // be changed or deleted.
    void CheckLatestChange(const std::string& person, int changeTimes);
    // Refuses an effective date before the person's latest one in other documents.
    void CheckActiveDateOrder(const std::string& billNo, const std::string& person, int activeDate);

    // ---- the rules of a change
    // Refuses a change type the work state before it does not allow. `ownFormalRows`
    // counts the row itself when it is stored as becoming formal, so that saving a
    // document again does not hold its own row against it.
    void CheckStateTransition(const std::string& person, int bType, int type, int ownFormalRows);
    // Whole months of probation from the hire date to the day after the effective
    // date, counted one month at a time from the hire date; 0 without both dates.
    static int ProbationMonths(int onJobDate, int activeDate);
    // Writes the probation the person served up to becoming formal on `activeDate`.
    void UpdateProbation(const std::string& person, int activeDate);
    // Undoing a resignation gives the person back a card number: refused when the
    // card has since been given to somebody else.
    void CheckResignationCard(const std::string& person, int type);
    void ApplyChange(const PersonChange& change);
    void UndoChange(const PersonChange& change);

private:
    void CheckRowIntegrity(Dataset& rows);
    bool HasFormalChange(const std::string& person, int ownFormalRows);
    // Gives the rows that need one the person's next change number.
    void NumberChanges(Dataset& rows);
    void ApplyChangeSet();
};

// The personnel change and its procedures 0 to 2.
const ClassDescriptor& ChangePersonClass();

// Its scenes of the demo.
std::vector<DemoScene> ChangePersonDemo();

}  // namespace humrs
