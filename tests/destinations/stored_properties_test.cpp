// What a table's property block gives the destinations: Required, the defaults either engine
// can hold, and every other property kept as text.

#include <gtest/gtest.h>

#include "destinations/stored_properties.h"
#include "reader/column_types.h"

namespace vantrel {
namespace {

using Kind = JetDefault::Kind;

TEST(StoredPropertiesTest, LiteralsAndTheCurrentTimeBecomeDefaultsAndExpressionsDoNot) {
  struct Case {
    std::string_view written;
    std::optional<Kind> kind;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{{"0", Kind::kNumber, "0"},
                                         {" -12.50 ", Kind::kNumber, "-12.50"},
                                         {"+.5", Kind::kNumber, "0.5"},
                                         {"\"Smith\"", Kind::kText, "Smith"},
                                         {"'a''b'", Kind::kText, "a'b"},
                                         {"\"Πλήθος\"", Kind::kText, "Πλήθος"},
                                         {"#1/2/2003#", Kind::kDateTime, "2003-01-02 00:00:00"},
                                         {"=Now()", Kind::kNow, ""},
                                         {"date( )", Kind::kToday, ""},
                                         {"No", Kind::kBoolean, ""},
                                         {"=On", Kind::kBoolean, ""},
                                         {"GenGUID()", std::nullopt, ""},
                                         {"Date()+1", std::nullopt, ""},
                                         {"\"a\" & \"b\"", std::nullopt, ""},
                                         {"1.", std::nullopt, ""},
                                         {"-", std::nullopt, ""},
                                         {"#13/45/2003#", std::nullopt, ""},
                                         {"\"", std::nullopt, ""},
                                         {"=", std::nullopt, ""}}) {
    SCOPED_TRACE(c.written);
    const auto parsed = columnDefault(c.written);
    ASSERT_EQ(parsed.has_value(), c.kind.has_value());
    if (!parsed) continue;
    EXPECT_EQ(parsed->kind, *c.kind);
    if (!c.text.empty()) {
      EXPECT_EQ(parsed->text, c.text);
    }
  }
  EXPECT_TRUE(columnDefault("=On")->boolean);
  EXPECT_FALSE(columnDefault("No")->boolean);
}

StoredProperty property(std::string name, SavedValue::Kind kind, std::string text = "",
                        int64_t integer = 0) {
  StoredProperty stored{std::move(name), 0, {}};
  stored.value.value.kind = kind;
  stored.value.value.integer = integer;
  stored.value.text = std::move(text);
  return stored;
}

TEST(StoredPropertiesTest, TheBlockGivesColumnsTheirRulesAndTheTableItsProperties) {
  TableDescription table{
      .name = "T",
      .columns = {{.name = "Id", .jetType = kTypeLong}, {.name = "Name", .jetType = kTypeText}}};
  table.columns[0].autoNumber = true;
  PropertyBlock block;
  block.groups = {{"Name",
                   {property("Required", SavedValue::Kind::Boolean, "", 1),
                    property("DefaultValue", SavedValue::Kind::Text, "\"x\""),
                    property("ColumnWidth", SavedValue::Kind::Integer, "", 1260),
                    property("GUID", SavedValue::Kind::Bytes)}},
                  {"", {property("Description", SavedValue::Kind::Text, "All of them")}},
                  {"Id", {property("DefaultValue", SavedValue::Kind::Text, "0")}},
                  {"Gone", {property("Caption", SavedValue::Kind::Text, "Not a column")}}};
  describeProperties(table, block);
  EXPECT_TRUE(table.columns[1].required);
  ASSERT_TRUE(table.columns[1].defaultValue);
  EXPECT_EQ(table.columns[1].defaultValue->text, "x");
  // An AutoNumber numbers itself; the default is only kept as a property.
  EXPECT_FALSE(table.columns[0].defaultValue);
  std::vector<std::string> kept;
  for (const DescribedProperty& p : table.properties)
    kept.push_back((p.column ? std::to_string(*p.column) : "-") + " " + p.name + "=" + p.value);
  EXPECT_EQ(kept, (std::vector<std::string>{"- Description=All of them", "0 DefaultValue=0",
                                            "1 Required=True", "1 DefaultValue=\"x\"",
                                            "1 ColumnWidth=1260"}));
}

}  // namespace
}  // namespace vantrel
