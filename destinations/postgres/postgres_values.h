#pragma once

#include <functional>
#include <optional>
#include <string>

#include "destinations/destination.h"
#include "reader/field_value.h"

namespace vantrel {

// The PostgreSQL type a column is re-created with, exact for every value Jet stores:
//   BIT boolean, BYTE and INT smallint, LONG integer, CURRENCY NUMERIC(19,4), NUMERIC
//   NUMERIC(p,s) (plain numeric when the stored precision and scale are no valid pair),
//   SINGLE real, DOUBLE double precision, DATE timestamp, GUID uuid, TEXT and MEMO text,
//   BINARY and OLEOBJECT bytea.
// None for a type code that has no destination type.
std::optional<std::string> postgresColumnType(const DestinationColumn& column);

// COPY's binary form: a header, then each row as its number of fields and each field as its
// length and bytes in the server's own binary form of the column's type, then a trailer.
// The server then parses no text; the types are those postgresColumnType gives.
void appendCopyHeader(std::string& out);
void appendCopyRowStart(size_t fields, std::string& out);
void appendCopyNull(std::string& out);
void appendCopyTrailer(std::string& out);

// Appends one field of a row. Returns false, appending nothing, for a value the column cannot
// hold as it stands (a text with a NUL character or invalid UTF-8, a number beyond the
// column's precision, a date that is no calendar date, a value of another kind than the
// column's): the row then takes a null in that field, as a value the SQLite destination
// refuses leaves its field unset.
//
// With `pieces`, a long text or bytea goes out while it is appended: whenever `out` holds at
// least `pieceBytes`, `send` sends and empties it (returning false when it could not; the rest
// of the value is then dropped), so that a large value is never held whole a second time.
struct CopyPieces {
  size_t pieceBytes = 0;
  std::function<bool(std::string&)> send;
};
bool appendCopyField(const DestinationColumn& column, const FieldValue& field, std::string& out,
                     const CopyPieces* pieces = nullptr);

}  // namespace vantrel
