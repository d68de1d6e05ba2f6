Delete humExcuse Where BillNo = N'200501150001' And Flag = 1
