Select Top 3 PersonID, IsNull(PersonName, '') From comPerson Where OnJobDate <= 20050101And LeaveJobDate = 0 Order By PersonID
