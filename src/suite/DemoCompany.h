#pragma once
// The company every demo scene starts from: departments, persons, shifts and
// schedule, leave categories with their rules, holidays and the leave parameters.
#include <string>

#include "db/Database.h"
#include "framework/Demo.h"

namespace humrs {

void SeedDemoCompany(Database& db);
// The scene that shows the company before the bills.
DemoScene DemoCompanyScene();
// After a scene has stored a person's redeemable overtime directly (rows as an older
// system left them), allocates the person's compensatory leave over it again, oldest
// overtime first, as a saved bill would have. Raises when the allocation fails.
void ReallocateCompensatoryLeave(DemoContext& demo, const std::string& personId);

}  // namespace humrs
