Select Sum(Case When ExcuseCount > 0 Then Convert(float, ExcuseCount) / 8 Else 0 End), DateDiff(day, '20050101', '20050110') From humExcuse /* note */ -- end
