#include "destinations/sqlite/dao_query_def.h"

#include "destinations/sqlite/engine_catalog.h"
#include "jetsql/jet_sql_check.h"
#include "jetsql/jet_sql_error.h"

namespace vantrel {
namespace {

// A text that cannot be Jet SQL, refused in the engine's own terms.
void checkSqlText(std::string_view sql) {
  try {
    checkJetSqlText(sql);
  } catch (const JetSqlError& error) {
    throw CDaoException(error.what());
  }
}

}  // namespace

void CDaoQueryDef::Create(std::string_view name, std::string_view sql) {
  create(name, sql);
}

void CDaoQueryDef::Create(std::string_view name) {
  create(name, std::nullopt);
}

void CDaoQueryDef::create(std::string_view name, std::optional<std::string_view> sql) {
  Close();
  if (name.empty()) throw CDaoException("a query needs a name");
  if (database_->catalog().hasQuery(name)) {
    throw CDaoException("query [" + std::string(name) + "] already exists");
  }
  if (sql) checkSqlText(*sql);
  name_ = name;
  sql_ = sql ? std::optional<std::string>(*sql) : std::nullopt;
  connect_.reset();
  appended_ = false;
  open_ = true;
}

void CDaoQueryDef::SetConnect(std::string_view connect) {
  if (!open_) throw CDaoException("SetConnect without Create");
  connect_ = connect;
}

void CDaoQueryDef::SetSQL(std::string_view sql) {
  if (!open_) throw CDaoException("SetSQL without Create");
  if (!connect_) checkSqlText(sql);
  sql_ = std::string(sql);
}

void CDaoQueryDef::Append() {
  if (!open_) throw CDaoException("Append without Create");
  if (appended_) throw CDaoException("query [" + name_ + "] is appended already");
  EngineCatalog& catalog = database_->catalog();
  if (catalog.hasQuery(name_)) throw CDaoException("query [" + name_ + "] already exists");
  catalog.addQuery(name_, sql_, connect_);
  appended_ = true;
}

void CDaoQueryDef::Close() {
  open_ = false;
  appended_ = false;
}

}  // namespace vantrel
