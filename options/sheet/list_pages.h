#pragma once

#include "options/sheet/list_page.h"

// The custom resource tags: tag name -> attribute naming a file.
class CResPage : public ListPage {
 public:
  explicit CResPage(DialogServices& services, QWidget* parent = nullptr);
};

// The script extensions: extension -> description.
class CScriptPage : public ListPage {
 public:
  explicit CScriptPage(DialogServices& services, QWidget* parent = nullptr);
};

// The MIME types: extension -> MIME type.
class CMimePage : public ListPage {
 public:
  explicit CMimePage(DialogServices& services, QWidget* parent = nullptr);
};
