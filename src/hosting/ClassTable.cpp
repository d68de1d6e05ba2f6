// The component's classes: one line per class, in the order of the type library.
// Each class declares itself (identity, storage, tables, procedures) in its own
// folder; adding a class means adding its files and its line here.
#include "hosting/ClassTable.h"

#include "leave/CoCutExcuse.h"
#include "leave/CoExcuse.h"
#include "leave/CoExcuseCls.h"
#include "leave/CoExcuseDate.h"
#include "overtime/CoHumCheckFactory.h"
#include "overtime/CoOverTimeCls.h"
#include "overtime/CoOvertime.h"
#include "overtime/CoOvertimeDate.h"
#include "payroll/CoAdvPayment.h"
#include "payroll/CoHourSalary.h"
#include "payroll/CoHumMonthSalaryQuery.h"
#include "payroll/CoIncomeTax.h"
#include "payroll/CoMonthSalary.h"
#include "payroll/CoSubsidyCut.h"
#include "payroll/CoSubsidyCutDate.h"
#include "personnel/CoChangeInsurance.h"
#include "personnel/CoChangePerson.h"
#include "personnel/CoChangeSalary.h"
#include "suite/SuiteObjects.h"

namespace humrs {

const ClassRegistry& ComponentRegistry() {
    static const ClassRegistry registry = [] {
        std::vector<ClassDescriptor> classes = {
            ExcuseClsClass(),
            ExcuseDateClass(),
            ExcuseClass(),
            OvertimeClass(),
            OvertimeClsClass(),
            OvertimeDateClass(),
            SubsidyCutClass(),
            SubsidyCutDateClass(),
            MonthSalaryClass(),
            ChangePersonClass(),
            ChangeSalaryClass(),
            IncomeTaxClass(),
            AdvPaymentClass(),
            HourSalaryClass(),
            CutExcuseClass(),
            HumCheckFactoryClass(),
            HumMonthSalaryQueryClass(),
            ChangeInsuranceClass(),
        };
        // The suite's objects the classes reach by ProgID, and the suite's tables.
        for (ClassDescriptor& object : SuiteObjectClasses()) classes.push_back(std::move(object));
        return ClassRegistry(std::move(classes));
    }();
    return registry;
}

void CreateComponentSchema(Database& db) {
    const ClassRegistry& classes = ComponentRegistry();
    CreateOrUpgradeSchema(db, classes.Tables(), classes.Indexes());
}

const std::vector<ClassDescriptor>& ClassTable() {
    static const std::vector<ClassDescriptor> table = [] {
        std::vector<ClassDescriptor> registered;
        for (const ClassDescriptor& c : ComponentRegistry().Classes())
            if (c.registered) registered.push_back(c);
        return registered;
    }();
    return table;
}

const ClassDescriptor* FindClassEntry(std::string_view progIdOrClsid) {
    const ClassDescriptor* c = ComponentRegistry().Find(progIdOrClsid);
    if (!c || !c->registered) return nullptr;
    for (const ClassDescriptor& e : ClassTable())
        if (e.progId == c->progId) return &e;
    return nullptr;
}

}  // namespace humrs
