#include <gtest/gtest.h>

#include <set>
#include <string>

#include "hosting/ClassTable.h"
#include "hosting/ComServer.h"
#include "core/Text.h"

namespace humrs {
namespace {

TEST(ClassTable, EighteenClassesWithDistinctIdentifiers) {
    const auto& table = ClassTable();
    ASSERT_EQ(table.size(), 18u);
    std::set<std::string> progIds, clsids, iids, classes;
    for (const auto& e : table) {
        progIds.insert(LowerAscii(e.progId));
        clsids.insert(UpperAscii(e.clsid));
        iids.insert(UpperAscii(e.iid));
        classes.insert(e.className);
        EXPECT_EQ(std::string(e.progId), std::string(kTypeLibName) + "." + e.coclass);
        // TOverTimeCls spells its coclass OvertimeCls.
        EXPECT_TRUE(SameText(e.className, std::string("T") + e.coclass)) << e.className;
        EXPECT_EQ(std::string(e.interfaceName), std::string("I") + e.coclass);
        GUID g{};
        EXPECT_TRUE(ParseGuid(e.clsid, g)) << e.clsid;
        EXPECT_EQ(GuidText(g), e.clsid) << "stored in registry spelling";
        EXPECT_TRUE(ParseGuid(e.iid, g)) << e.iid;
        EXPECT_EQ(GuidText(g), e.iid);
    }
    EXPECT_EQ(progIds.size(), 18u);
    EXPECT_EQ(clsids.size(), 18u);
    EXPECT_EQ(iids.size(), 18u);
    EXPECT_EQ(classes.size(), 18u);
    for (const auto& id : clsids) EXPECT_EQ(iids.count(id), 0u) << id << " is both a class and an interface";

    GUID g{}, h{};
    ASSERT_TRUE(ParseGuid("62509b61-fd77-424b-9f98-e36ad1791556", g));  // bare, lower case
    ASSERT_TRUE(ParseGuid(FindClassEntry("QVXHumrs.ExcuseCls")->clsid, h));
    EXPECT_TRUE(SameGuid(g, h));
    EXPECT_EQ(g.Data1, 0x62509B61u);
    EXPECT_EQ(g.Data4[0], 0x9F);
    EXPECT_EQ(g.Data4[7], 0x56);
    for (const char* bad :
         {"", "{62509B61-FD77-424B-9F98-E36AD1791556", "62509B61FD77-424B-9F98-E36AD17915566",
          "{62509B61-FD77-424B-9F98-E36AD179155G}", "(62509B61-FD77-424B-9F98-E36AD1791556)"})
        EXPECT_FALSE(ParseGuid(bad, g)) << bad;
}

TEST(ClassTable, OnlyIncomeTaxUsesTheGridBase) {
    for (const auto& e : ClassTable()) {
        bool incomeTax = std::string(e.progId) == "QVXHumrs.IncomeTax";
        EXPECT_EQ(e.gridBase, incomeTax) << e.progId;
        EXPECT_EQ(HasEventInterface(e), !incomeTax) << e.progId;
    }
}

TEST(ClassTable, LookupByProgIdIgnoresCase) {
    const ClassEntry* e = FindClassEntry("qvxhumrs.excuse");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->className, "TExcuse");  // not TExcuseCls or TExcuseDate
    // Spellings other classes use when they call each other.
    for (const char* p :
         {"QvxHumrs.ExcuseCls", "QvxHumrs.ChangePerson", "QvxHumrs.SubsidyCut", "QvxHumrs.OverTime"})
        EXPECT_NE(FindClassEntry(p), nullptr) << p;
    EXPECT_EQ(FindClassEntry("QvxHumrs.OverTime")->className, "TOvertime");
    EXPECT_EQ(FindClassEntry("QVXHumrs.Excuses"), nullptr);
    EXPECT_EQ(FindClassEntry("Excuse"), nullptr);
    EXPECT_EQ(FindClassEntry(""), nullptr);
}

TEST(ClassTable, LookupByClsidWithOrWithoutBraces) {
    for (const auto& e : ClassTable()) {
        std::string bare = std::string(e.clsid).substr(1, 36);
        EXPECT_EQ(FindClassEntry(e.clsid), &e);
        EXPECT_EQ(FindClassEntry(bare), &e);
        EXPECT_EQ(FindClassEntry(LowerAscii(e.clsid)), &e);
        EXPECT_EQ(FindClassEntry(e.iid), nullptr) << "an interface ID finds no class";
    }
}

}  // namespace
}  // namespace humrs
