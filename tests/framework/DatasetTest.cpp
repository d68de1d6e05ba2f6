// The open dataset as the business classes use it: finding rows, copying rows
// between datasets, marking a bill deleted, and the change set those leave behind.
#include <gtest/gtest.h>

#include "framework/Dataset.h"
#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {
namespace {

Dataset LeaveRows() {
    Dataset ds({{"BillNo", FieldType::Text}, {"RowNo", FieldType::Integer}, {"PersonID", FieldType::Text},
                {"ExcuseCount", FieldType::Float}});
    ds.AddStoredRow({Variant("B1"), Variant(1), Variant("P1"), Variant(4.0)});
    ds.AddStoredRow({Variant("B1"), Variant(2), Variant("P2"), Variant(8.0)});
    ds.AddStoredRow({Variant("B2"), Variant(1), Variant("p1"), Variant(2.0)});
    ds.First();
    return ds;
}

TEST(DatasetTest, FieldsAreFoundWithoutRegardToCase) {
    Dataset ds = LeaveRows();
    EXPECT_EQ(CStr(ds["personid"]), "P1");
    EXPECT_THROW(ds.FieldValue("NoSuchField"), UnknownFieldError);
}

TEST(DatasetTest, LocateMatchesSeveralFieldsAndTextAgainstNumbers) {
    Dataset ds = LeaveRows();
    ASSERT_TRUE(ds.Locate("BillNo; RowNo", {Variant("B1"), Variant("2")}));
    EXPECT_EQ(CStr(ds["PersonID"]), "P2");
    EXPECT_FALSE(ds.Locate("BillNo;RowNo", {Variant("B2"), Variant(2)}));
}

TEST(DatasetTest, FilterHidesRowsFromWalkAndCount) {
    Dataset ds = LeaveRows();
    ds.SetFilter([](const Dataset& d) { return SameText(CStr(d["PersonID"]), "P1"); });
    EXPECT_EQ(ds.RecordCount(), 2u);
    double total = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) total += CFloat(ds["ExcuseCount"]);
    EXPECT_DOUBLE_EQ(total, 6.0);
    ds.ClearFilter();
    EXPECT_EQ(ds.RecordCount(), 3u);
}

TEST(DatasetTest, CopyDatasetAppendsRowsByFieldNameAsNewRows) {
    Dataset target({{"BillNo", FieldType::Text}, {"ExcuseCount", FieldType::Float}, {"Memo", FieldType::Text}});
    target.CopyDataset(LeaveRows());
    ASSERT_EQ(target.RecordCount(), 3u);
    target.Last();
    EXPECT_EQ(CStr(target["BillNo"]), "B2");
    EXPECT_TRUE(target["Memo"].IsNull());
    EXPECT_EQ(target.RowStatus(), UpdateStatus::Inserted);
}

TEST(DatasetTest, DeleteDatasetListsEveryStoredRowAsDeleted) {
    Dataset ds = LeaveRows();
    ds.Append();
    ds.SetFieldValue("BillNo", "B9");  // never stored: simply dropped
    ds.Post();
    ds.DeleteDataset();
    EXPECT_EQ(ds.RecordCount(), 0u);
    DataPacketPtr packet = ds.Delta();
    const DataPacket& delta = *packet;
    ASSERT_EQ(delta.rows.size(), 3u);
    for (const auto& r : delta.rows) EXPECT_EQ(r.status, UpdateStatus::Deleted);
    EXPECT_DOUBLE_EQ(CFloat(delta.rows[1].values[3]), 8.0);
}

TEST(DatasetTest, EditingBackToTheStoredValueLeavesTheRowUnchanged) {
    Dataset ds = LeaveRows();
    ds.SetFieldValue("ExcuseCount", 5.0);
    ds.Post();
    EXPECT_EQ(ds.RowStatus(), UpdateStatus::Modified);
    ds.SetFieldValue("ExcuseCount", 4.0);
    ds.Post();
    EXPECT_EQ(ds.RowStatus(), UpdateStatus::Unmodified);
    EXPECT_FALSE(ds.HasChanges());
}

TEST(DatasetTest, CancelRestoresTheRowAndDropsANewOne) {
    Dataset ds = LeaveRows();
    ds.SetFieldValue("PersonID", "P9");
    ds.Cancel();
    EXPECT_EQ(CStr(ds["PersonID"]), "P1");
    ds.Append();
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 3u);
}

TEST(DatasetTest, PacketRoundTripKeepsValuesAndTypes) {
    Dataset ds = LeaveRows();
    Dataset copy = Dataset::FromPacket(Variant(ds.Data()));
    ASSERT_EQ(copy.RecordCount(), 3u);
    copy.MoveTo(1);
    EXPECT_EQ(copy["RowNo"].Type(), VarType::Int);
    EXPECT_DOUBLE_EQ(CFloat(copy["ExcuseCount"]), 8.0);
    EXPECT_EQ(Dataset::FromPacket(Variant()).RecordCount(), 0u);
}

TEST(DeltaDatasetTest, InsertedAndDeletedRowsGiveTheirOwnValues) {
    Dataset ds = LeaveRows();
    ds.Delete();  // B1/1
    ds.Append();
    ds.SetFieldValue("BillNo", "B3");
    ds.SetFieldValue("ExcuseCount", 1.5);
    ds.Post();
    DeltaDataset d(Variant(ds.Delta()));
    ASSERT_EQ(d.RecordCount(), 2u);
    d.First();
    EXPECT_EQ(d.Status(), UpdateStatus::Deleted);
    EXPECT_EQ(CStr(d.RealFieldValue("BillNo")), "B1");
    EXPECT_TRUE(d.NewValue("BillNo").IsNull());
    d.Next();
    EXPECT_EQ(d.Status(), UpdateStatus::Inserted);
    EXPECT_DOUBLE_EQ(CFloat(d.RealFieldValue("ExcuseCount")), 1.5);
    EXPECT_TRUE(d.OldValue("ExcuseCount").IsNull());
}

}  // namespace
}  // namespace humrs
