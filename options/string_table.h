#pragma once

// String resources shared by the window and the command line.
enum StringId : int {
  IDS_ABOUTBOX = 101,
  IDS_CLOSE_CONFIRM = 102,
  IDS_APP_TITLE = 103,
  IDS_PAGE_LOGGING = 104,
  IDS_PAGE_MIME = 105,
  IDS_PAGE_RESOURCES = 106,
  IDS_PAGE_SCRIPTS = 107,
  IDS_OPTIONS_CAPTION = 108,
  IDS_DUPLICATE_KEY = 109,
  IDS_INPUT_EMPTY = 110,
  IDS_OUTPUT_EMPTY = 111,
  IDS_OUTPUT_EXTENSION = 112,
  IDS_OUTPUT_IS_INPUT = 113,
  IDS_OUTPUT_IS_LOG = 114,
  IDS_LOG_IS_INPUT = 115,
};

// The text of a string resource; null when there is none with that id.
const char* LoadStringResource(int id);
