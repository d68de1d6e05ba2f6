#pragma once
// The ProgIDs by which one object reaches another (DoCOMMethod, value look-ups, opened
// datasets), each spelled once. A ProgID is compared without regard to case, so these
// are the spellings of the objects' own declarations.

namespace humrs::prog_id {

// The suite's outside objects (suite/SuiteObjects.cpp).
inline constexpr const char* kReset = "QVXHumrs.Reset";
inline constexpr const char* kClassCls = "QVXHumrs.ClassCls";
inline constexpr const char* kChkAttend = "QvxHumrs.ChkAttend";
inline constexpr const char* kPersonSetMain = "QVXHumrs.PersonSetMain";
inline constexpr const char* kDepartment = "QvxComm.Department";
inline constexpr const char* kPerson = "QvxComm.Person";

// The component's classes that other classes call.
inline constexpr const char* kExcuse = "QVXHumrs.Excuse";
inline constexpr const char* kExcuseCls = "QVXHumrs.ExcuseCls";
inline constexpr const char* kOvertime = "QVXHumrs.Overtime";
inline constexpr const char* kSubsidyCut = "QVXHumrs.SubsidyCut";
inline constexpr const char* kAdvPayment = "QVXHumrs.AdvPayment";
inline constexpr const char* kChangePerson = "QVXHumrs.ChangePerson";

}  // namespace humrs::prog_id
