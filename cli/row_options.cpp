#include "cli/row_options.h"

#include "cli/word_options.h"

namespace vantrel::cli {

void addRowOutputOptions(CLI::App& verb, RowFormat& format, ValueOptions& values) {
  addWordOption(verb, "--format", format,
                std::vector<std::pair<std::string, RowFormat>>{
                    {"tsv", RowFormat::Tsv}, {"csv", RowFormat::Csv}, {"json", RowFormat::Json}},
                "Output format: tsv (the default), csv, or json (a first line naming the "
                "columns, then one array of typed values a row)");
  verb.add_option("--date-format", values.dateFormat,
                  "Dates and times in this strftime(3) form, as in mdb-export -D (\"%Y-%m-%d "
                  "%H:%M:%S\"); json writes ISO 8601 without it")
      ->type_name("FORM");
  addWordOption(
      verb, "--binary", values.binary,
      std::vector<std::pair<std::string, BinaryForm>>{
          {"hex", BinaryForm::Hex}, {"base64", BinaryForm::Base64}, {"raw", BinaryForm::Raw}},
      "Binary and OLE values as their bytes: hex, base64 or raw (not with json); "
      "without it tsv and csv show the text the preview shows, json writes hex");
}

void addLimitOption(CLI::App& verb, int64_t& limit) {
  verb.add_option("--limit", limit, "Print at most N rows")
      ->type_name("N")
      ->check(wholeNumberAtLeast(0));
}

void checkRowOutputOptions(RowFormat format, const ValueOptions& values) {
  if (format == RowFormat::Json && values.binary == BinaryForm::Raw)
    throw CLI::ValidationError("--binary",
                               "raw bytes cannot be written in JSON: use hex or base64");
}

}  // namespace vantrel::cli
