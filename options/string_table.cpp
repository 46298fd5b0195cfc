#include "options/string_table.h"

#include <array>
#include <utility>

#include "base/version.h"

namespace {

constexpr std::array<std::pair<int, const char*>, 15> kStrings{{
    {IDS_ABOUTBOX, "&About " SCRIVANE_PRODUCT_NAME "..."},
    {IDS_CLOSE_CONFIRM, "Are you sure you want to close " SCRIVANE_PRODUCT_NAME "?"},
    {IDS_APP_TITLE, SCRIVANE_TITLE},
    {IDS_PAGE_LOGGING, " &Logging "},
    {IDS_PAGE_MIME, " MIME &types "},
    {IDS_PAGE_RESOURCES, " Custom &Resources "},
    {IDS_PAGE_SCRIPTS, " Scri&pts "},
    {IDS_OPTIONS_CAPTION, "Options"},
    {IDS_DUPLICATE_KEY,
     "This tag already has an attribute. In this version you cannot\n"
     "define two different attributes for a single tag name.\n\n"
     "For an additional information please click on the About button."},
    {IDS_INPUT_EMPTY, "Input path cannot be empty. Please choose any HTML file."},
    {IDS_OUTPUT_EMPTY,
     "Output path cannot be empty. Please choose where\n"
     "you'd like to store the outcome web archive."},
    {IDS_OUTPUT_EXTENSION,
     "Output file must have extension \".mht\" (e.g. /home/user/foo.mht).\n"
     "Otherwise browsers will not be able to read its content."},
    {IDS_OUTPUT_IS_INPUT,
     "Output file is the input file itself. Please choose\n"
     "another place for the web archive."},
    {IDS_OUTPUT_IS_LOG,
     "Output file is the log file. Please choose\n"
     "another place for the web archive."},
    {IDS_LOG_IS_INPUT,
     "Log file is the input file itself. Please choose\n"
     "another place for the log."},
}};

}  // namespace

const char* LoadStringResource(int id) {
  for (const auto& [stringId, text] : kStrings) {
    if (stringId == id) return text;
  }
  return nullptr;
}
