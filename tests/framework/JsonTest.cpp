// The JSON face of the command: values and data packets both ways, the bill input,
// and refusals that name the offending place.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

// The command's sources are not part of the core library; this is their only test
// that links them.
#include "framework/Json.h"

namespace humrs {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const InputError& e) {
        return e.what();
    }
    return "(no error)";
}

Variant Parse(const std::string& text) { return FromJson(ParseJson(text, "test"), "value"); }

TEST(JsonTest, ScalarsAndArraysMapToTheirVariantTypes) {
    EXPECT_EQ(Parse("null").Type(), VarType::Null);
    EXPECT_EQ(Parse("true"), Variant(true));
    EXPECT_EQ(Parse("-12"), Variant(-12));
    EXPECT_EQ(Parse("12.0").Type(), VarType::Float) << "a number written with a point stays a float";
    EXPECT_EQ(Parse("\"事假\""), Variant("事假"));

    const Variant nested = Parse(R"([1, "a", [2.5, null]])");
    ASSERT_EQ(nested.ArrayLength(), 3u);
    EXPECT_EQ(nested[0], Variant(1));
    EXPECT_EQ(nested[2][0], Variant(2.5));
    EXPECT_TRUE(nested[2][1].IsNull());

    EXPECT_NE(ErrorOf([] { Parse("18446744073709551615"); }).find("too large"), std::string::npos);
}

TEST(JsonTest, VariantsPrintAsJson) {
    EXPECT_TRUE(ToJson(Variant()).is_null());
    EXPECT_TRUE(ToJson(Variant::Null()).is_null());
    EXPECT_EQ(ToJson(Variant(Currency::FromUnits(1234567))), 123.4567);
    EXPECT_TRUE(ToJson(Variant(std::nan(""))).is_null()) << "JSON has no NaN";
    EXPECT_EQ(ToJson(Variant(VariantArray{Variant(1), Variant("x"), Variant(false)})),
              Json::parse(R"([1,"x",false])"));
}

TEST(JsonTest, DataPacketRoundTripsWithInferredFieldTypes) {
    const Json in = Json::parse(R"({"fields": ["PersonID", "Hours", "Days", "Paid"],
                                    "rows": [["E001", 2, null, true], ["E002", 2.5, 3, false]]})");
    const Variant v = FromJson(in, "--arg");
    ASSERT_TRUE(v.IsPacket());
    const DataPacket& p = *v.AsPacket();
    ASSERT_EQ(p.fields.size(), 4u);
    EXPECT_EQ(p.fields[0].type, FieldType::Text);
    EXPECT_EQ(p.fields[1].type, FieldType::Float) << "whole and fractional numbers make a float column";
    EXPECT_EQ(p.fields[2].type, FieldType::Integer) << "nulls say nothing about the type";
    EXPECT_EQ(p.fields[3].type, FieldType::Boolean);
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[1].values[1], Variant(2.5));

    // A plain packet prints without statuses, exactly in the form it was read.
    EXPECT_EQ(ToJson(v), in);

    // A dataset built from it reads its values by name.
    Dataset ds = Dataset::FromPacket(v);
    ASSERT_EQ(ds.RecordCount(), 2u);
    ds.Last();
    EXPECT_EQ(ds["personid"], Variant("E002"));
}

TEST(JsonTest, ChangeSetKeepsRowStatuses) {
    DataPacket delta;
    delta.fields = {{"BillNo", FieldType::Text}, {"ExcuseCount", FieldType::Float}};
    delta.rows = {{UpdateStatus::Unmodified, {Variant("B1"), Variant(4.0)}},
                  {UpdateStatus::Modified, {Variant::Null(), Variant(2.0)}},
                  {UpdateStatus::Deleted, {Variant("B2"), Variant(1.0)}}};
    const Json out = ToJson(delta);
    EXPECT_EQ(out["status"], Json::parse("[0, 1, 3]"));

    const DataPacketPtr back = PacketFromJson(out, "--arg");
    ASSERT_EQ(back->rows.size(), 3u);
    EXPECT_EQ(back->rows[1].status, UpdateStatus::Modified);
    EXPECT_EQ(back->rows[2].status, UpdateStatus::Deleted);
    DeltaDataset walk(*back);
    EXPECT_EQ(walk.RecordCount(), 2u) << "the modified record pairs its stored and its change row";

    const Json named = Json::parse(R"({"fields": ["A"], "rows": [[1]], "status": ["inserted"]})");
    EXPECT_EQ(PacketFromJson(named, "p")->rows[0].status, UpdateStatus::Inserted);
}

TEST(JsonTest, MalformedPacketsAreRefusedWhereTheyGoWrong) {
    auto error = [](const char* text) { return ErrorOf([&] { FromJson(Json::parse(text), "--arg"); }); };
    EXPECT_NE(error(R"({"PersonID": "E001"})").find("data packet"), std::string::npos);
    EXPECT_NE(error(R"({"fields": ["A", "B"], "rows": [[1, 2], [3]]})").find("--arg.rows[1]"),
              std::string::npos);
    EXPECT_NE(error(R"({"fields": ["A", 2], "rows": []})").find("--arg.fields[1]"), std::string::npos);
    EXPECT_NE(error(R"({"fields": ["A"], "rows": [[[1]]]})").find("single value"), std::string::npos);
    EXPECT_NE(error(R"({"fields": ["A"], "rows": [[1]], "status": [7]})").find("--arg.status[0]"),
              std::string::npos);
    EXPECT_NE(error(R"({"fields": ["A"], "rows": [], "extra": 1})").find("extra"), std::string::npos);
    EXPECT_NE(ErrorOf([] { ParseJson("[1,", "--arg"); }).find("malformed JSON in --arg"), std::string::npos);
}

TEST(JsonTest, BillInputKeepsRowsAndNamesBadOnes) {
    const auto bill = BillFromJson(Json::parse(R"({"datasets": [[{"BillNo": "B1", "Memo": null}],
                                                                 [{"RowNo": 1}, {"RowNo": 2, "Hours": 1.5}]]})"));
    ASSERT_EQ(bill.size(), 2u);
    ASSERT_EQ((*bill[0])[0].size(), 2u);
    EXPECT_EQ((*bill[0])[0][0].first, "BillNo");
    EXPECT_TRUE((*bill[0])[0][1].second.IsNull());
    ASSERT_EQ(bill[1]->size(), 2u);
    EXPECT_EQ((*bill[1])[1][1].second, Variant(1.5));

    auto error = [](const char* text) { return ErrorOf([&] { BillFromJson(Json::parse(text)); }); };
    EXPECT_NE(error(R"([[{"A": 1}]])").find("datasets"), std::string::npos);
    EXPECT_NE(error(R"({"datasets": [[{"A": 1}, 5]]})").find("datasets[0][1]"), std::string::npos);
    EXPECT_NE(error(R"({"datasets": [[{"A": [1]}]]})").find("datasets[0][0].A"), std::string::npos);
    // "key" alone is a member of the answer `open` prints, which is accepted as a bill.
    EXPECT_NE(error(R"({"datasets": [], "keys": 1})").find("keys"), std::string::npos);
}

TEST(JsonTest, BillInsideTheAnswerOfNewOrOpenIsRead) {
    const auto bill = BillFromJson(Json::parse(
        R"({"ok": true, "key": "L30", "datasets": [[{"ExcuseClsID": "L30"}]], "notices": [{"text": "x", "kind": 0}]})"));
    ASSERT_EQ(bill.size(), 1u);
    EXPECT_EQ((*bill[0])[0][0].second, Variant("L30"));
    EXPECT_NE(ErrorOf([] { BillFromJson(Json::parse(R"({"ok": false, "datasets": [[{"A": 1}]]})")); })
                  .find("not a bill"),
              std::string::npos);
}

TEST(JsonTest, HostileTextIsRefusedAsBadInputNamingThePlace) {
    const std::string nested64 = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
    EXPECT_NO_THROW(FromJson(ParseJson(nested64, "x"), "x"));
    struct Case {
        std::string text;
        const char* named;
    };
    const std::vector<Case> cases = {
        {"[" + nested64 + "]", "nested deeper than 64"},
        {std::string(200000, '['), "nested deeper"},
        {R"({"datasets": [[{"Memo": )" + std::string(30000, '['), "under field \"Memo\""},
        {"1e400", "number overflow"},
        {R"({"ExcuseUnit": -1e400})", "\"ExcuseUnit\""},
        {R"(["a\u0000b"])", "value[0]: a text must not hold the NUL character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        const std::string error = ErrorOf([&] { FromJson(ParseJson(c.text, "x"), "value"); });
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
    }
    // Json built without ParseJson is bounded when converted, too.
    Json deep = Json::array();
    for (int i = 0; i < 1000; ++i) deep = Json::array({std::move(deep)});
    EXPECT_NE(ErrorOf([&] { FromJson(deep, "v"); }).find("nested deeper"), std::string::npos);
}

TEST(JsonTest, OutputKeepsChineseAndSurvivesBadUtf8) {
    const Json j = {{"error", "计假单位不可小于等于0"}};
    EXPECT_EQ(Dump(j, false), "{\"error\":\"计假单位不可小于等于0\"}");
    EXPECT_EQ(Dump(Json{{"x", std::string("a\xff")}}, false), "{\"x\":\"a\xEF\xBF\xBD\"}");
}

}  // namespace
}  // namespace humrs
