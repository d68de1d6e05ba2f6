#include "hosting/ClassTable.h"

#include "leave/CoExcuse.h"
#include "leave/CoExcuseCls.h"
#include "core/Text.h"

namespace humrs {

namespace {
template <class T>
std::unique_ptr<TQVXComBase> Make() {
    return std::make_unique<T>();
}
}  // namespace

const std::vector<ClassEntry>& ClassTable() {
    static const std::vector<ClassEntry> table = {
    {"TExcuseCls", "ExcuseCls", "QVXHumrs.ExcuseCls", "{62509B61-FD77-424B-9F98-E36AD1791556}", "IExcuseCls", "{7746C3AF-A70B-4932-951D-125FB58E3CBE}", false, "", &Make<TExcuseCls>},
    {"TExcuseDate", "ExcuseDate", "QVXHumrs.ExcuseDate", "{6E3E6E84-FE99-4C19-8B08-AD9485B3A564}", "IExcuseDate", "{821B8956-07E1-4A71-B70B-40BEEB02C336}", false, "", nullptr},
    {"TExcuse", "Excuse", "QVXHumrs.Excuse", "{B0676538-D7B3-4DE8-9473-B0967D45F03B}", "IExcuse", "{BE6A793D-956F-42FA-B628-45FFA92EB6EE}", false, "", &Make<TExcuse>},
    {"TOvertime", "Overtime", "QVXHumrs.Overtime", "{4F7E2C31-D9B3-4811-9005-B1F22E746DCC}", "IOvertime", "{E24CED91-0250-4270-BF6A-6016E6C18BD0}", false, "", nullptr},
    {"TOverTimeCls", "OvertimeCls", "QVXHumrs.OvertimeCls", "{73CDC484-F5F6-4BC7-9854-F22A4F9D7EC3}", "IOvertimeCls", "{B897C3FB-37C5-43F9-B732-D8C1B58A7022}", false, "", nullptr},
    {"TOvertimeDate", "OvertimeDate", "QVXHumrs.OvertimeDate", "{5D1D1158-396C-4FCE-8B56-A7AF6B6B2D73}", "IOvertimeDate", "{AB1A9FE5-9022-416B-A581-DAA0622C5A59}", false, "", nullptr},
    {"TSubsidyCut", "SubsidyCut", "QVXHumrs.SubsidyCut", "{9FA022A2-E2A8-4F27-B8E9-61FE837DACDD}", "ISubsidyCut", "{E85C8694-2700-4B70-9ED4-B59F855C4DBC}", false, "", nullptr},
    {"TSubsidyCutDate", "SubsidyCutDate", "QVXHumrs.SubsidyCutDate", "{7ED35F9A-293D-47ED-B505-A74B60D2256C}", "ISubsidyCutDate", "{4627433D-9791-4DD4-9ADD-1C4AF5A7E01F}", false, "", nullptr},
    {"TMonthSalary", "MonthSalary", "QVXHumrs.MonthSalary", "{64E804D1-8BB2-43B2-8631-2E3FEA62C437}", "IMonthSalary", "{8EE7EAFE-E82A-4AB4-A3CF-E361BB71FEA5}", false, "", nullptr},
    {"TChangePerson", "ChangePerson", "QVXHumrs.ChangePerson", "{377B0C42-416D-4D37-82BA-E2DC0CD933A6}", "IChangePerson", "{CAF6DC61-9492-44ED-B865-356DEE57BADD}", false, "", nullptr},
    {"TChangeSalary", "ChangeSalary", "QVXHumrs.ChangeSalary", "{A0C2E7BE-EA80-4783-8532-8A199AF4CC76}", "IChangeSalary", "{E9C14FBF-24F6-4BFA-8AE7-2C0C60E4A011}", false, "", nullptr},
    {"TIncomeTax", "IncomeTax", "QVXHumrs.IncomeTax", "{3CEEA322-76FF-4245-93AC-65969B389834}", "IIncomeTax", "{456FF105-4C1A-400B-A43D-802F987A7CBD}", true, "IncomeTax Object", nullptr},
    {"TAdvPayment", "AdvPayment", "QVXHumrs.AdvPayment", "{DEB7060E-793B-40F5-8E70-DC9D336B3B93}", "IAdvPayment", "{A9841475-6E35-4DAC-9E76-F0AABE62B9FD}", false, "AdvPayment Object", nullptr},
    {"THourSalary", "HourSalary", "QVXHumrs.HourSalary", "{698BF78B-873C-4A12-91AE-D17CD13CF2E1}", "IHourSalary", "{5AEC89D5-A583-4537-B1C7-651831ED4805}", false, "", nullptr},
    {"TCutExcuse", "CutExcuse", "QVXHumrs.CutExcuse", "{828C06B7-80BC-41D0-9B54-C4723D3C6D5E}", "ICutExcuse", "{99F47B86-1195-4BB9-A4EC-214E8908DC12}", false, "", nullptr},
    {"THumCheckFactory", "HumCheckFactory", "QVXHumrs.HumCheckFactory", "{B02465CC-65AA-4A20-8D6D-0A11C0977D6C}", "IHumCheckFactory", "{8429EAE3-AC92-4D01-B9EB-53CF2238698E}", false, "", nullptr},
    {"THumMonthSalaryQuery", "HumMonthSalaryQuery", "QVXHumrs.HumMonthSalaryQuery", "{A33CBECD-D169-4DD4-9693-2EE36E0FCBEB}", "IHumMonthSalaryQuery", "{541A0E8E-15D8-4229-B74B-C233996A4FD2}", false, "HumMonthSalaryQuery Object", nullptr},
    {"TChangeInsurance", "ChangeInsurance", "QVXHumrs.ChangeInsurance", "{4B350672-B923-4E04-B596-2364858DAF60}", "IChangeInsurance", "{4BEBB909-A0AF-49B9-BC38-A0FA5E1891B7}", false, "ChangeInsurance Object", nullptr},
    };
    return table;
}

static std::string_view StripBraces(std::string_view s) {
    if (s.size() >= 2 && s.front() == '{' && s.back() == '}') return s.substr(1, s.size() - 2);
    return s;
}

const ClassEntry* FindClassEntry(std::string_view key) {
    std::string k = Trim(key);
    for (const auto& e : ClassTable())
        if (SameText(e.progId, k) || SameText(StripBraces(e.clsid), StripBraces(k))) return &e;
    return nullptr;
}

void RegisterSuiteObjects();  // the suite's outside objects (suite layer)

// Fills the framework's creator table: each class under its ProgID and its CLSID.
void RegisterBuiltinClasses() {
    for (const auto& e : ClassTable()) {
        ObjectCreator creator = [create = e.create]() -> std::unique_ptr<TQVXComBase> {
            return create ? create() : nullptr;
        };
        RegisterObjectCreator(e.progId, creator);
        RegisterObjectCreator(e.clsid, creator);
    }
    RegisterSuiteObjects();
}

}  // namespace humrs
