#pragma once
// The overtime record by date: one bill (a header with its number and date) whose
// rows record overtime of one or many persons (humOverTime, Flag 3). The hours of a
// row are typed in or taken from the overtime record's segment split; this bill only
// checks that they add up, and checks each row through the overtime record's
// procedures: working hours of the person's class, other overtime, and the other
// rows of the bill.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TOvertimeDate : public TQVXComBase {
public:
    // Every row's total becomes the sum of its segments and holiday hours.
    void AfterChangeData(int datasetIndex) override;
    void BeforeUpdate() override;
    void BeforeDelete() override;
    void AfterUpdate() override;
    void AfterDelete() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;

    // The class whose working hours the last checked row was held to: the person's
    // class on the row's date ("" on a rest day).
    const std::string& ClassNo() const { return classNo_; }

private:
    void CheckRowIntegrity(Dataset& header, Dataset& rows);
    void CheckRow(Dataset& header, Dataset& rows);
    void CheckRowsOfThisBill(const Dataset& rows, const std::string& person, int date, int beginTime, int endTime);
    void NoticeLeaveOverlaps(const Dataset& rows);
    std::string classNo_;
};

// Identity, storage, tables and creator of TOvertimeDate; it serves no procedures.
const ClassDescriptor& OvertimeDateClass();

// Its scenes of the demo.
std::vector<DemoScene> OvertimeDateDemo();

}  // namespace humrs
