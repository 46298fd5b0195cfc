#include "options/sheet/list_pages.h"

#include "base/version.h"
#include "options/string_table.h"

namespace {

// "exising" is how the program has always spelled it.
const ListPageDescription kResPage{
    &ConvertOptions::resourceTags,
    StringId::kResourcesTab,
    "&Custom resource tags:",
    "Tag",
    "Attribute",
    "Add / Modify Resource",
    "Tag name:",
    "Attribute name:",
    "Tags that appear in this list will be scanned by " SCRIVANE_PRODUCT_NAME
    ".\n"
    "Attached content files will be added to the yielded web archive.",
};

const ListPageDescription kScriptPage{
    &ConvertOptions::scriptExtensions,
    StringId::kScriptsTab,
    "&Script file extensions:",
    "Extension",
    "Description",
    "Add / Modify Script",
    "Extension:",
    "Description:",
    "Only script files that appear in this list will be detected and processed\n"
    "by " SCRIVANE_PRODUCT_NAME
    ". You may add new or change exising ones.\n"
    "Description text is optional.",
};

const ListPageDescription kMimePage{
    &ConvertOptions::mimeTypes,
    StringId::kMimeTypesTab,
    "&MIME types:",
    "Extension",
    "Type",
    "Add / Modify MIME Type",
    "Extension:",
    "MIME type:",
    "Only MIME types that appear in this list will be detected and processed\n"
    "by " SCRIVANE_PRODUCT_NAME ". You may add new or change exising ones.",
};

}  // namespace

CResPage::CResPage(DialogServices& services, QWidget* parent) : ListPage(kResPage, services, parent) {}

CScriptPage::CScriptPage(DialogServices& services, QWidget* parent) : ListPage(kScriptPage, services, parent) {}

CMimePage::CMimePage(DialogServices& services, QWidget* parent) : ListPage(kMimePage, services, parent) {}
