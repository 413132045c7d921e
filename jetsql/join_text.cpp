#include "jetsql/join_text.h"

#include <list>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "jetsql/sql_text.h"

namespace vantrel {

namespace {

std::u16string joinKeyword(const JoinRow& join) {
  if (join.joinFlag == 2) return u" LEFT JOIN ";
  if (join.joinFlag == 3) return u" RIGHT JOIN ";
  return u" INNER JOIN ";
}

// The independent join texts met so far, and which one each table name belongs to. A text
// is kept as a list of pieces so that wrapping it in parentheses, or joining two texts, costs
// the same however many joins came before. Merged texts point to the one they joined.
class JoinGroups {
 public:
  using Pieces = std::list<std::u16string>;

  size_t create(std::u16string firstPiece) {
    groups_.push_back(Pieces{std::move(firstPiece)});
    parent_.push_back(groups_.size() - 1);
    return groups_.size() - 1;
  }
  std::optional<size_t> groupOf(const std::u16string& table) {
    const auto it = tableGroup_.find(table);
    if (it == tableGroup_.end()) return std::nullopt;
    return root(it->second);
  }
  void assign(const std::u16string& table, size_t group) { tableGroup_[table] = group; }
  Pieces& operator[](size_t group) { return groups_[group]; }
  // `later` goes into `earlier`, which keeps its place among the groups.
  void merge(size_t earlier, size_t later) {
    earlier = root(earlier), later = root(later);
    groups_[earlier].splice(groups_[earlier].end(), groups_[later]);
    parent_[later] = earlier;
  }
  std::u16string text() const {
    std::u16string out;
    for (size_t g = 0; g < groups_.size(); ++g) {
      if (parent_[g] != g) continue;
      if (!out.empty()) out += u", ";
      for (const auto& piece : groups_[g])
        out += piece;
    }
    return out;
  }

 private:
  size_t root(size_t group) {
    while (parent_[group] != group)
      group = parent_[group] = parent_[parent_[group]];
    return group;
  }
  std::vector<Pieces> groups_;
  std::vector<size_t> parent_;
  std::unordered_map<std::u16string, size_t> tableGroup_;
};

// The written form of each alias, by the bracketed alias that join rows use.
class TableAliases {
 public:
  explicit TableAliases(std::span<const TableName> tables) {
    for (const TableName& table : tables) {
      if (table.alias.empty()) continue;
      written_.try_emplace(bracketed(table.alias),
                           bracketed(table.name) + u" AS " + bracketed(table.alias));
    }
  }
  std::u16string written(const std::u16string& bracketedName) const {
    const auto it = written_.find(bracketedName);
    return it == written_.end() ? bracketedName : it->second;
  }

 private:
  std::unordered_map<std::u16string, std::u16string> written_;
};

}  // namespace

std::u16string buildJoinText(std::span<const JoinRow> joinRows, std::span<const TableName> tables) {
  const TableAliases aliases(tables);
  JoinGroups groups;
  for (const JoinRow& join : joinRows) {
    const std::u16string left = aliases.written(join.leftTable);
    const std::u16string right = aliases.written(join.rightTable);
    const std::u16string keyword = joinKeyword(join);
    const std::u16string on = u" ON " + join.condition;
    const std::optional<size_t> leftGroup = groups.groupOf(join.leftTable);
    const std::optional<size_t> rightGroup = groups.groupOf(join.rightTable);
    if (leftGroup && rightGroup && *leftGroup == *rightGroup) {
      // A further condition between tables already joined.
      groups[*leftGroup].push_back(u" AND " + join.condition);
    } else if (leftGroup && rightGroup) {
      // Two separate texts meet: "(first)" K "(second)" ON C.
      const size_t earlier = std::min(*leftGroup, *rightGroup);
      const size_t later = std::max(*leftGroup, *rightGroup);
      groups[earlier].push_front(u"(");
      groups[earlier].push_back(u")" + keyword + u"(");
      groups.merge(earlier, later);
      groups[earlier].push_back(u")" + on);
    } else if (rightGroup) {
      auto& pieces = groups[*rightGroup];
      pieces.push_front(left + keyword + u"(");
      pieces.push_back(u")" + on);
      groups.assign(join.leftTable, *rightGroup);
    } else if (leftGroup) {
      auto& pieces = groups[*leftGroup];
      pieces.push_front(u"(");
      pieces.push_back(u")" + keyword + right + on);
      groups.assign(join.rightTable, *leftGroup);
    } else {
      const size_t group = groups.create(left + keyword + right + on);
      groups.assign(join.leftTable, group);
      groups.assign(join.rightTable, group);
    }
  }
  return groups.text();
}

std::u16string buildSingleJoinText(const JoinRow& join, std::span<const TableName> tables) {
  if (join.expression.empty()) return {};
  if (join.leftTable.size() > 2 && join.rightTable.size() <= 2) return u" AND " + join.expression;
  const TableAliases aliases(tables);
  return aliases.written(join.leftTable) + joinKeyword(join) + aliases.written(join.rightTable) +
         u" ON " + join.expression;
}

std::u16string tablesOutsideJoins(std::span<const TableName> tables,
                                  std::span<const JoinRow> joinRows) {
  std::unordered_set<std::u16string> joined;
  for (const JoinRow& join : joinRows) {
    joined.insert(join.leftTable);
    joined.insert(join.rightTable);
  }
  std::u16string text;
  for (const TableName& table : tables) {
    const std::u16string usedName = bracketed(table.alias.empty() ? table.name : table.alias);
    if (joined.contains(usedName)) continue;
    text += bracketed(table.name);
    if (!table.alias.empty()) text += u" AS " + usedName;
    text += u", ";
  }
  return text;
}

}  // namespace vantrel
