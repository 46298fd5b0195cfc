#include "options/string_table.h"

#include <array>
#include <utility>

#include "base/version.h"

namespace {

constexpr std::array<std::pair<StringId, const char*>, 15> kStrings{{
    {StringId::kAboutMenuItem, "&About " SCRIVANE_PRODUCT_NAME "..."},
    {StringId::kCloseConfirm, "Are you sure you want to close " SCRIVANE_PRODUCT_NAME "?"},
    {StringId::kAppTitle, SCRIVANE_TITLE},
    {StringId::kLoggingTab, " &Logging "},
    {StringId::kMimeTypesTab, " MIME &types "},
    {StringId::kResourcesTab, " Custom &Resources "},
    {StringId::kScriptsTab, " Scri&pts "},
    {StringId::kOptionsCaption, "Options"},
    {StringId::kDuplicateKey,
     "This tag already has an attribute. In this version you cannot\n"
     "define two different attributes for a single tag name.\n\n"
     "For an additional information please click on the About button."},
    {StringId::kInputEmpty, "Input path cannot be empty. Please choose any HTML file."},
    {StringId::kOutputEmpty,
     "Output path cannot be empty. Please choose where\n"
     "you'd like to store the outcome web archive."},
    {StringId::kOutputExtension,
     "Output file must have extension \".mht\" (e.g. /home/user/foo.mht).\n"
     "Otherwise browsers will not be able to read its content."},
    {StringId::kOutputIsInput,
     "Output file is the input file itself. Please choose\n"
     "another place for the web archive."},
    {StringId::kOutputIsLog,
     "Output file is the log file. Please choose\n"
     "another place for the web archive."},
    {StringId::kLogIsInput,
     "Log file is the input file itself. Please choose\n"
     "another place for the log."},
}};

}  // namespace

const char* LoadStringResource(StringId id) {
  for (const auto& [stringId, text] : kStrings) {
    if (stringId == id) return text;
  }
  return nullptr;
}
