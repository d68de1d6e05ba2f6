// The whole demo told on a fresh database of either backend: every scene ends as it
// means to, each bill number belongs to one scene, and what the story leaves stored
// agrees with itself (the free overtime hours are those a rebuild gives).
#include <map>
#include <set>

#include "cli/Demo.h"
#include "framework/Demo.h"
#include "suite/DemoCompany.h"
#include "support/Fixture.h"

namespace humrs {
namespace {

class DemoStoryTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        db->BeginWrite();
        SeedDemoCompany(*db);
        db->Commit();
        session->serverDate = cli::kDemoDate;
        session->localType.reset();  // the company's own parameter
    }

    // The bill numbers stored in any table of the component, in lower case.
    std::set<std::string> StoredBillNumbers() {
        std::set<std::string> numbers;
        for (const TableDef& table : ComponentRegistry().Tables()) {
            bool hasBillNo = false;
            for (const ColumnDef& c : table.columns) hasBillNo = hasBillNo || SameText(c.name, "BillNo");
            if (!hasBillNo) continue;
            for (const auto& row : db->Query("Select Distinct BillNo From " + table.name).rows)
                if (!Trim(CStr(row[0])).empty()) numbers.insert(LowerAscii(CStr(row[0])));
        }
        return numbers;
    }

    // Each redeemable overtime row and its free hours, to the hundredth.
    std::map<std::string, double> FreeOvertime() {
        std::map<std::string, double> free;
        for (const auto& row : db->Query("Select Flag, BillNo, RowNo, PersonID, UseableRedeemCount From humOverTime "
                                         "Where RedeemType = 1")
                                   .rows)
            free[CStr(row[3]) + " " + CStr(row[0]) + "/" + CStr(row[1]) + "/" + CStr(row[2])] =
                RoundValue(CFloat(row[4]), 2);
        return free;
    }
};

TEST_F(DemoStoryTest, EveryBillBelongsToOneClassesScenesAndTheStoredBalancesAgreeWithARebuild) {
    // The story in the order told: the company, then each class's scenes. A class's
    // scenes go on with the bills of its earlier scenes; no other class's scene may
    // save or delete one of them, nor bring in a bill of the same number.
    std::vector<std::pair<std::string, DemoScene>> story = {{"the company", DemoCompanyScene()}};
    for (const ClassDescriptor& c : ComponentRegistry().Classes())
        if (c.demo)
            for (DemoScene& scene : c.demo()) story.emplace_back(c.progId, std::move(scene));
    ASSERT_EQ(story.size(), cli::DemoScenes(ComponentRegistry()).size());

    DemoContext demo(*db, *session);
    std::map<std::string, std::string> ownerOf;  // bill number -> the class whose scene brought it in
    for (const auto& [owner, scene] : story) {
        const std::set<std::string> before = StoredBillNumbers();
        ASSERT_NO_THROW(scene.run(demo)) << scene.title;
        std::set<std::string> used;
        for (const Json& step : demo.TakeSteps())
            if (step.contains("bill")) used.insert(LowerAscii(step["bill"].get<std::string>()));
        for (const std::string& no : StoredBillNumbers())
            if (!before.count(no)) used.insert(no);
        for (const std::string& no : used) {
            const auto [first, added] = ownerOf.emplace(no, owner);
            EXPECT_TRUE(added || first->second == owner)
                << "bill " << no << " of " << first->second << " is used again by \"" << scene.title << "\"";
        }
    }
    EXPECT_EQ(demo.Unexpected(), 0);

    const std::map<std::string, double> stored = FreeOvertime();
    ASSERT_FALSE(stored.empty());
    Outcome rebuilt = Object("QVXHumrs.Excuse")->ExecuteProc(11, Variant());
    ASSERT_TRUE(rebuilt.ok && CBool(rebuilt.result)) << rebuilt.error;
    EXPECT_EQ(FreeOvertime(), stored);
}

}  // namespace
}  // namespace humrs
