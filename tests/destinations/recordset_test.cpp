#include <gtest/gtest.h>

#include <vector>

#include "destinations/sqlite/dao_recordset.h"
#include "tests/destinations/destination_file.h"

namespace vantrel::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class RecordsetTest : public DestinationTest {
 protected:
  RecordsetTest() {
    execute({"CREATE TABLE [V]([Id] LONG);", "ALTER TABLE [V] ADD PRIMARY KEY ([Id]);",
             "ALTER TABLE [V] ADD [Flag] BIT;", "ALTER TABLE [V] ADD [Small] BYTE;",
             "ALTER TABLE [V] ADD [Int] INT;", "ALTER TABLE [V] ADD [Money] CURRENCY;",
             "ALTER TABLE [V] ADD [Single] SINGLE;", "ALTER TABLE [V] ADD [Double] DOUBLE;",
             "ALTER TABLE [V] ADD [When] DATE;", "ALTER TABLE [V] ADD [Name] TEXT(50);",
             "ALTER TABLE [V] ADD [Notes] MEMO;", "ALTER TABLE [V] ADD [Key] GUID;",
             "ALTER TABLE [V] ADD [Raw] BINARY(8);", "ALTER TABLE [V] ADD [Ole] OLEOBJECT;"});
  }

  // One row from column/value texts; returns the messages of the calls that raised.
  std::vector<std::string> addRow(CDaoRecordset& recordset,
                                  std::vector<std::pair<std::string, std::string>> values) {
    std::vector<std::string> failures;
    recordset.AddNew();
    for (const auto& [column, text] : values) {
      try {
        recordset.SetFieldValue(column, text);
      } catch (const CDaoException& error) {
        failures.push_back(error.what());
      }
    }
    try {
      recordset.Update();
    } catch (const CDaoException& error) {
      failures.push_back(error.what());
    }
    return failures;
  }

  std::string typed(const std::string& column, int id) {
    return value("SELECT typeof(\"" + column + "\") || ':' || quote(\"" + column +
                 "\") FROM V WHERE Id = " + std::to_string(id));
  }
};

TEST_F(RecordsetTest, EveryTypeConvertsIntoItsStorageClass) {
  CDaoRecordset recordset(database);
  recordset.Open("SELECT * FROM [V]");
  EXPECT_TRUE(recordset.IsOpen());
  EXPECT_TRUE(addRow(recordset, {{"Id", "1"},
                                 {"Flag", "1"},
                                 {"Small", "255"},
                                 {"Int", "-32768"},
                                 {"Money", "-1.5000"},
                                 {"Single", "0.1"},
                                 {"Double", "123.456"},
                                 {"When", "07/04/2005 12:00:00 PM"},
                                 {"Name", "00123"},
                                 {"Notes", "00123"},
                                 {"Key", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"}})
                  .empty());
  EXPECT_TRUE(addRow(recordset, {{"Id", "2"},
                                 {"Flag", "0"},
                                 {"Money", "922337203685477.5807"},
                                 {"Double", "-0.000000000000000000001"},
                                 {"When", "07/04/2005 "},
                                 {"Name", ""}})
                  .empty());
  EXPECT_TRUE(addRow(recordset, {{"Id", "3"}, {"When", "06:00:00 AM"}}).empty());
  EXPECT_TRUE(addRow(recordset, {{"Id", "4"}, {"When", "02/29/1600 12:30:05 AM"}}).empty());
  const std::vector<uint8_t> bytes{0x00, 0xFF, 0x10, 0x00};
  recordset.AddNew();
  recordset.SetFieldValue("Id", "5");
  recordset.SetFieldValue("Raw", bytes);
  recordset.SetFieldValue("ole", std::vector<uint8_t>(70000, 0xAB));
  recordset.SetFieldValue("Notes", std::string(100000, 'm'));
  recordset.Update();
  recordset.Close();
  EXPECT_FALSE(recordset.IsOpen());
  database.Close();

  EXPECT_EQ(typed("Flag", 1), "integer:1");
  EXPECT_EQ(typed("Small", 1), "integer:255");
  EXPECT_EQ(typed("Int", 1), "integer:-32768");
  EXPECT_EQ(typed("Money", 1), "real:-1.5");
  EXPECT_EQ(typed("Single", 1), "real:0.1");
  EXPECT_EQ(typed("Double", 1), "real:123.456");
  EXPECT_EQ(typed("When", 1), "text:'2005-07-04 12:00:00'");
  EXPECT_EQ(typed("Name", 1), "text:'00123'");
  EXPECT_EQ(typed("Notes", 1), "text:'00123'") << "a memo keeps its leading zeros";
  EXPECT_EQ(typed("Key", 1), "text:'{6F9619FF-8B86-D011-B42D-00C04FC964FF}'");
  EXPECT_EQ(typed("Flag", 2), "integer:0");
  EXPECT_EQ(value("SELECT typeof(Money) || (Money > 922337203685477.5) FROM V WHERE Id = 2"),
            "real1");
  EXPECT_EQ(typed("Double", 2), "real:-1.0e-21");
  EXPECT_EQ(typed("When", 2), "text:'2005-07-04 00:00:00'");
  EXPECT_EQ(typed("Name", 2), "null:NULL") << "an empty text leaves the field null";
  EXPECT_EQ(typed("When", 3), "text:'1899-12-30 06:00:00'");
  EXPECT_EQ(typed("When", 4), "text:'1600-02-29 00:30:05'");
  EXPECT_EQ(typed("Raw", 5), "blob:X'00FF1000'");
  EXPECT_EQ(value("SELECT length(Ole) || typeof(Ole) || length(Notes) FROM V WHERE Id = 5"),
            "70000blob100000");
}

TEST_F(RecordsetTest, EachRefusalFailsOnlyItsOwnFieldOrRow) {
  CDaoRecordset recordset(database);
  recordset.Open("select * from [V];");
  EXPECT_TRUE(addRow(recordset, {{"Id", "1"}, {"Name", "first"}}).empty());
  const auto failures = addRow(recordset, {{"Id", "2"},
                                           {"Int", "12abc"},
                                           {"Small", "256"},
                                           {"When", "02/31/2005 "},
                                           {"Money", "1,5"},
                                           {"Flag", "maybe"},
                                           {"Key", "{not-a-guid}"},
                                           {"NoSuchColumn", "x"},
                                           {"Name", "second"}});
  ASSERT_EQ(failures.size(), 7u);
  EXPECT_NE(failures[0].find("[Int]"), std::string::npos);
  EXPECT_NE(failures[6].find("no column [NoSuchColumn]"), std::string::npos);

  recordset.AddNew();
  recordset.SetFieldValue("Id", "3");
  recordset.SetFieldValue("Int", "7");
  EXPECT_THROW(recordset.SetFieldValue("Int", "x"), CDaoException);
  EXPECT_THROW(recordset.SetFieldValue("Int", std::vector<uint8_t>{1}), CDaoException);
  recordset.Update();

  EXPECT_EQ(addRow(recordset, {{"Id", "1"}, {"Name", "duplicate"}}).size(), 1u);
  EXPECT_EQ(addRow(recordset, {{"Name", "no key"}}).size(), 1u);
  EXPECT_TRUE(addRow(recordset, {{"Id", "4"}}).empty());
  EXPECT_THROW(recordset.SetFieldValue("Id", "5"), CDaoException) << "the row ended at Update";
  EXPECT_THROW(recordset.Update(), CDaoException);
  database.Close();  // closes the recordset and keeps its rows
  EXPECT_FALSE(recordset.IsOpen());

  EXPECT_EQ(rows("SELECT Id, quote(Name), quote(Int), quote(Small), quote(\"When\") FROM V"
                 " ORDER BY Id"),
            (Rows{{"1", "'first'", "NULL", "NULL", "NULL"},
                  {"2", "'second'", "NULL", "NULL", "NULL"},
                  {"3", "NULL", "7", "NULL", "NULL"},
                  {"4", "NULL", "NULL", "NULL", "NULL"}}));
}

TEST_F(RecordsetTest, OpensOnlyOnAllColumnsOfATable) {
  CDaoRecordset recordset(database);
  EXPECT_THROW(recordset.AddNew(), CDaoException);
  EXPECT_THROW(recordset.Open("SELECT Id FROM [V]"), CDaoException);
  EXPECT_THROW(recordset.Open("SELECT * FROM [Missing]"), CDaoException);
  EXPECT_FALSE(recordset.IsOpen());
  recordset.Open("SELECT * FROM V");
  EXPECT_THROW(recordset.Open("SELECT * FROM [V]"), CDaoException);
}

}  // namespace
}  // namespace vantrel::test
