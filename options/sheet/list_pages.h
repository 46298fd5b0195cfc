#pragma once

#include "options/sheet/list_page.h"

// The custom resource tags: tag name -> attribute naming a file.
class CResPage : public CListPage {
 public:
  explicit CResPage(DialogServices& services, QWidget* parent = nullptr);
};

// The script extensions: extension -> description.
class CScriptPage : public CListPage {
 public:
  explicit CScriptPage(DialogServices& services, QWidget* parent = nullptr);
};

// The MIME types: extension -> MIME type.
class CMimePage : public CListPage {
 public:
  explicit CMimePage(DialogServices& services, QWidget* parent = nullptr);
};
