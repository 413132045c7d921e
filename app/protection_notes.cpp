#include "app/protection_notes.h"

namespace vantrel {

std::vector<std::string> protectionNotes(bool hadDatabasePassword, const PageCoding& coding) {
  std::vector<std::string> notes;
  if (hadDatabasePassword) {
    notes.emplace_back(
        "Database password: the file has one; it protects nothing in the pages, which were read "
        "without it");
  }
  if (coding.cipher && !coding.checkEachPage) {
    notes.emplace_back("Encrypted pages: decrypted with the password given");
  } else if (coding.cipher) {
    notes.emplace_back(
        "Encrypted pages: the file's encryption header or its pages may be damaged; the pages "
        "that do not decrypt with the password given are named as damage");
  }
  if (coding.key != 0 && !coding.checkEachPage) {
    notes.emplace_back("Encoded pages: decoded with the key in the file's header");
  } else if (coding.key != 0) {
    notes.emplace_back(
        "Encoded pages: the key in the file's header may be damaged; the pages it does not "
        "decode are named as damage");
  }
  return notes;
}

}  // namespace vantrel
