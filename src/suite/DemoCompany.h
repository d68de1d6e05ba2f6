#pragma once
// The company every demo scene starts from: departments, persons, shifts and
// schedule, leave categories with their rules, holidays and the leave parameters.
#include "db/Database.h"
#include "framework/Demo.h"

namespace humrs {

void SeedDemoCompany(Database& db);
// The scene that shows the company before the bills.
DemoScene DemoCompanyScene();

}  // namespace humrs
