#include "app/source_problems.h"

#include "reader/catalog_walk.h"
#include "reader/database_header.h"

namespace vantrel {

namespace {

std::string_view openFailureReason(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::kMissing:
      return "the file does not exist";
    case OpenFailure::kFolder:
      return "it is a folder, not a database file";
    case OpenFailure::kNotAFile:
      return "it is not a regular file";
    case OpenFailure::kEmpty:
      return "the file is empty (0 bytes)";
    case OpenFailure::kNoPermission:
      return "there is no permission to read the file";
    case OpenFailure::kTooShort:
      return "the file is too short to be an Access database";
    case OpenFailure::kEncrypted:
      return "it is an Access 2007 or later database (.accdb) encrypted with a password, and "
             "no password was given; give it in a file with --password-file FILE, in the "
             "VANTREL_PASSWORD environment variable, or type it when asked";
    case OpenFailure::kWrongPassword:
      return "wrong password: the password given does not unlock this encrypted database";
    case OpenFailure::kEncryptionDamaged:
      return "the encryption description in its header is damaged, so its pages cannot be "
             "decrypted with any password";
    case OpenFailure::kEncryptionUnknown:
      return "it is encrypted in a way Vantrel cannot decrypt";
    case OpenFailure::kReadError:
      break;
  }
  return "the file could not be read";
}

std::string nothingSalvagedReason(const std::filesystem::path& source) {
  auto db = openSourceDatabase(source);
  if (!db) return "the file could no longer be read";
  const PageView header = db->page(0);
  const auto page0 = header.bytes();
  if (!hasAccessSignature(page0)) {
    return "the file does not look like an Access database: it has no Access header, and no "
           "table, query or relation was found in it";
  }
  if (catalogDefinitionReadable(*db)) return "its catalog lists no table, query or relation";
  return "its catalog is lost, and no table, query or relation was found in its pages";
}

}  // namespace

std::string cannotOpenText(std::string_view path, OpenFailure failure) {
  return "Cannot open " + std::string(path) + ": " + std::string(openFailureReason(failure));
}

std::string notAnAccessDatabaseText(std::string_view path) {
  return "Cannot open " + std::string(path) + ": the file is not an Access database";
}

std::string nothingSalvagedText(std::string_view path, const std::filesystem::path& source) {
  return std::string(kNothingSalvaged) + " from " + std::string(path) + ": " +
         nothingSalvagedReason(source);
}

}  // namespace vantrel
