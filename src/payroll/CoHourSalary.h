#pragma once
// The hourly wage bill: rows of hours worked by persons paid by the hour, each row
// one person, one work date and one time span. A row taken over from the attendance
// record of that person and day marks the record as carried into an hourly wage
// bill, and frees it again when the row goes. The header's selection conditions (a
// person range and work and rest times) help the client generate rows; procedure 0
// lists the hourly-paid persons on the job.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class THourSalary : public TQVXComBase {
public:
    void DoAddDefaultRecord() override;
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void AfterDelete() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;
    void CheckFieldReturn(TOleVariantList& list) override;

    // The hourly-paid persons (salary mode 2) on the job on some day of the span whose
    // identifiers lie between first and last, joined with ","; each one an SQL string
    // literal when `quoted`. Empty when there is nobody.
    std::string ListHourlyPersons(const std::string& first, const std::string& last, int beginDate, int endDate,
                                  bool quoted);

private:
    void CheckRowIntegrity(Dataset& rows);
    void CheckTimesAndConflicts(Dataset& rows);
    void ReleaseDroppedAttendance();
    void TakeOverAttendance(Dataset& rows);
    void ReleaseAttendance(const std::string& person, int workDate);
    // The hourly-paid persons among those the list names ("'P1','P2'"), as a condition.
    static std::string HourlyPersonsCondition(const std::string& onJobList);
};

// The hourly wage bill: procedure 0.
const ClassDescriptor& HourSalaryClass();

// Its scenes of the demo.
std::vector<DemoScene> HourSalaryDemo();

}  // namespace humrs
