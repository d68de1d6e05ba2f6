#pragma once
// The income tax summary: per person, the taxable salary and the tax withheld over the
// monthly salary vouchers of a period, and beside it the taxable allowances and
// deductions paid out on their own in the same period, for the yearly income tax
// statement. A query: it keeps no bill.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TIncomeTax : public TQVXGridComBase {
public:
    // [lowest, highest] PersonID of the persons on the job on some day of the span;
    // Empty when nobody is.
    Variant PersonRangeOnWork(int beginDate, int endDate);
    // The two result sets [salary, allowances] for the period the condition bounds: a
    // boolean expression over the vouchers' SalaryYearMonth (payDates false) or PayDay
    // (payDates true), as the client writes it.
    Variant BuildIncomeTaxSets(bool payDates, const std::string& condition);
};

// The income tax summary: procedures 0 and 1.
const ClassDescriptor& IncomeTaxClass();

// Its scenes of the demo.
std::vector<DemoScene> IncomeTaxDemo();

}  // namespace humrs
