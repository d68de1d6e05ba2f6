Update HumOverTime Set UseableRedeemCount = a.FieldACount From HumOverTime a Where a.PersonID = 'P1' And a.RedeemType= 1
