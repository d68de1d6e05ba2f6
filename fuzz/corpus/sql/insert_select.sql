Insert Into humHistSalaryItem (PersonID, ChangeTimes) Select PersonID, Max(ChangeTimes) + 1 From humChangeSalary Group By PersonID
