#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "destinations/sqlite/dao_database.h"

namespace vantrel {

// A saved query of the destination: Create, then Append stores it in the engine's queries
// table under its name, with its SQL text exactly as given (or with none).
class CDaoQueryDef {
 public:
  explicit CDaoQueryDef(CDaoDatabase& database) : database_(&database) {}

  // A query with a name and SQL text. Fails for an empty name, a name another query has
  // (without regard to ASCII case), and a text that cannot be Jet SQL (see checkJetSqlText).
  // A definition created before and not appended is dropped.
  void Create(std::string_view name, std::string_view sql);
  // A query that has only its name.
  void Create(std::string_view name);

  // The connect string of a pass-through query: the query runs on the server it names, so
  // its SQL text is the server's and is not checked as Jet SQL. Fails when nothing was created.
  void SetConnect(std::string_view connect);
  // Replaces the SQL text of the created query; checked as Create checks it unless a connect
  // string was set.
  void SetSQL(std::string_view sql);

  // Saves the created query. Fails when nothing was created or it was appended already.
  void Append();

  bool IsOpen() const { return open_; }
  void Close();

  const std::string& name() const { return name_; }
  const std::optional<std::string>& sql() const { return sql_; }

 private:
  void create(std::string_view name, std::optional<std::string_view> sql);

  CDaoDatabase* database_;
  std::string name_;
  std::optional<std::string> sql_;
  std::optional<std::string> connect_;
  bool open_ = false;
  bool appended_ = false;
};

}  // namespace vantrel
