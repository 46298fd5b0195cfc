#pragma once

// String resources shared by the window and the command line. Each keeps
// its resource number, by which the strings have always been known
// ("string 103" is the title): the values are not arbitrary.
enum class StringId : int {
  kAboutMenuItem = 101,
  kCloseConfirm = 102,
  kAppTitle = 103,
  kLoggingTab = 104,
  kMimeTypesTab = 105,
  kResourcesTab = 106,
  kScriptsTab = 107,
  kOptionsCaption = 108,
  kDuplicateKey = 109,
  kInputEmpty = 110,
  kOutputEmpty = 111,
  kOutputExtension = 112,
  kOutputIsInput = 113,
  kOutputIsLog = 114,
  kLogIsInput = 115,
};

// The text of a string resource; null when there is none with that id.
const char* LoadStringResource(StringId id);
